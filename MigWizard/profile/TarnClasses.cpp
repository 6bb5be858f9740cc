#include "profile/TarnClasses.h"

#include "profile/ProfileLoader.h"

namespace migwiz::profile {

using platform::TClassInfo;

// The classes the built-in profile registers with what they publish; those
// whose properties it does not check are not registered.
const std::vector<TClassInfo>& TarnClasses() {
  static const std::vector<TClassInfo> classes = [] {
    std::vector<TClassInfo> list;
    for (const TTargetClass& c : BuiltinProfile()->Classes)
      if (c.Checked) list.push_back({c.Name, c.Published});
    return list;
  }();
  return classes;
}

void RegisterTarnClasses(platform::ClassRegistry& registry) {
  for (const TClassInfo& c : TarnClasses()) registry.RegisterClass(c);
}

}  // namespace migwiz::profile
