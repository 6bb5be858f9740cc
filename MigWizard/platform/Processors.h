// How many processors the process may run on.
#pragma once

#include <cstddef>

namespace migwiz::platform {

// The cores the process is allowed (a container, taskset or job may allow
// fewer than the machine has); at least 1.
std::size_t AvailableCores();

// The threads of the process allocate from one heap: what one thread frees
// after a file is what the next allocation of any thread takes, so that a
// run's memory stays that of the largest file and its results, instead of
// a heap per thread each as large. Call before the first thread starts.
void ShareOneHeap();

}  // namespace migwiz::platform
