#include "resources/TarnBanner.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace migwiz::resources {

// Drawn rather than stored: a night-blue field, a tarn (a mountain lake)
// under two peaks, and the product name running up the side.
QImage TarnBanner() {
  QImage image(120, 260, QImage::Format_RGB888);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, 260);
  sky.setColorAt(0.0, QColor(12, 28, 64));
  sky.setColorAt(0.6, QColor(28, 78, 128));
  sky.setColorAt(1.0, QColor(16, 44, 84));
  p.fillRect(image.rect(), sky);

  QPainterPath peaks;
  peaks.moveTo(0, 190);
  peaks.lineTo(38, 128);
  peaks.lineTo(58, 160);
  peaks.lineTo(84, 112);
  peaks.lineTo(120, 178);
  peaks.lineTo(120, 200);
  peaks.lineTo(0, 200);
  peaks.closeSubpath();
  p.fillPath(peaks, QColor(46, 58, 78));
  QPainterPath snow;
  snow.moveTo(84, 112);
  snow.lineTo(74, 130);
  snow.lineTo(84, 126);
  snow.lineTo(94, 131);
  snow.closeSubpath();
  p.fillPath(snow, QColor(230, 236, 244));

  QLinearGradient lake(0, 200, 0, 240);
  lake.setColorAt(0.0, QColor(64, 140, 190));
  lake.setColorAt(1.0, QColor(24, 70, 120));
  p.setPen(Qt::NoPen);
  p.setBrush(lake);
  p.drawEllipse(QRectF(-20, 196, 160, 44));

  p.save();
  p.translate(26, 120);
  p.rotate(-90);
  QFont font(QStringLiteral("Sans Serif"));
  font.setPixelSize(22);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(236, 240, 248));
  p.drawText(QPointF(0, 0), QStringLiteral("Tarnbase"));
  p.restore();

  QFont small(QStringLiteral("Sans Serif"));
  small.setPixelSize(10);
  p.setFont(small);
  p.setPen(QColor(190, 210, 232));
  p.drawText(QRectF(0, 244, 120, 14), Qt::AlignCenter, QStringLiteral("for MySQL"));
  return image;
}

}  // namespace migwiz::resources
