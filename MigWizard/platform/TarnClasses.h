// The Tarnbase component classes the wizard converts to, as the class
// registry knows them: their names and published properties.
#pragma once

#include <vector>

#include "platform/ClassRegistry.h"

namespace migwiz::platform {

const std::vector<TClassInfo>& TarnClasses();
// Registers the classes of the built-in profile whose properties it checks.
void RegisterTarnClasses(ClassRegistry& registry = ClassRegistry::Global());

}  // namespace migwiz::platform
