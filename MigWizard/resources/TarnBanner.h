// The product banner of the wizard's picture frame: 120 x 260, 24-bit colour.
#pragma once

#include <QImage>

namespace migwiz::resources {

QImage TarnBanner();

}  // namespace migwiz::resources
