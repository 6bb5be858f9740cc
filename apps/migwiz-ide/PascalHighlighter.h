// Colours for Pascal source and form text: keywords, comments, directives,
// strings and numbers.
#pragma once

#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <vector>

namespace migwiz::ide {

class TPascalHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit TPascalHighlighter(QTextDocument* document);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  struct Rule {
    QRegularExpression pattern;
    QTextCharFormat format;
  };
  std::vector<Rule> rules_;
  QTextCharFormat comment_, directive_;
};

}  // namespace migwiz::ide
