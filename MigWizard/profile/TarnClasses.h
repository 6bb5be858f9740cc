// The Tarnbase component classes the wizard converts to, as the class
// registry knows them: their names and published properties, as the
// built-in profile lists them.
#pragma once

#include <vector>

#include "platform/ClassRegistry.h"

namespace migwiz::profile {

const std::vector<platform::TClassInfo>& TarnClasses();
// Registers the classes of the built-in profile whose properties it checks.
void RegisterTarnClasses(platform::ClassRegistry& registry = platform::ClassRegistry::Global());

}  // namespace migwiz::profile
