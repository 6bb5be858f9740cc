// The product family's menu object: the three texts of the product's
// top-level menu item.
#pragma once

#include <string>

namespace migwiz::platform {

struct TOrrinProductMenu {
  std::string Name;           // component name of the top-level item
  std::string Caption;
  std::string SecondCaption;  // used when another menu already shows Caption; may be empty
};

// "&Tarnbase" -> "Tarnbase"; a doubled ampersand stays one ampersand.
std::string RemoveAmpersands(const std::string& caption);

}  // namespace migwiz::platform
