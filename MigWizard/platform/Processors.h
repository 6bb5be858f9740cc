// How many processors the process may run on.
#pragma once

#include <cstddef>

namespace migwiz::platform {

// The cores the process is allowed (a container, taskset or job may allow
// fewer than the machine has); at least 1.
std::size_t AvailableCores();

}  // namespace migwiz::platform
