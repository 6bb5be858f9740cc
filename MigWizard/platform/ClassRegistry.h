// The host's registry of component classes by name, with the published
// properties of each. Names are looked up without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace migwiz::platform {

struct TClassInfo {
  std::string name;
  std::vector<std::string> publishedProperties;
  bool HasPublishedProperty(std::string_view property) const;
};

class ClassRegistry {
 public:
  static ClassRegistry& Global();

  // Registering a name again replaces its properties.
  void RegisterClass(TClassInfo info);
  void UnregisterAll();
  const TClassInfo* FindClass(std::string_view name) const;

 private:
  std::vector<TClassInfo> classes_;
};

}  // namespace migwiz::platform
