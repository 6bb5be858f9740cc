#include "platform/ClassRegistry.h"

#include <strings.h>

namespace migwiz::platform {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

bool TClassInfo::HasPublishedProperty(std::string_view property) const {
  for (const std::string& p : publishedProperties)
    if (SameName(p, property)) return true;
  return false;
}

ClassRegistry& ClassRegistry::Global() {
  static ClassRegistry registry;
  return registry;
}

void ClassRegistry::RegisterClass(TClassInfo info) {
  for (TClassInfo& c : classes_) {
    if (SameName(c.name, info.name)) {
      c = std::move(info);
      return;
    }
  }
  classes_.push_back(std::move(info));
}

void ClassRegistry::UnregisterAll() { classes_.clear(); }

const TClassInfo* ClassRegistry::FindClass(std::string_view name) const {
  for (const TClassInfo& c : classes_)
    if (SameName(c.name, name)) return &c;
  return nullptr;
}

}  // namespace migwiz::platform
