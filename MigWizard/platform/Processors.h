// How many processors the process may run on.
#pragma once

#include <cstddef>

namespace migwiz::platform {

// The cores the process is allowed (a container, taskset or job may allow
// fewer than the machine has); at least 1.
std::size_t AvailableCores();

// The threads of the process allocate from one heap, large blocks too, and
// what is freed stays there for the next allocation: what one thread frees
// after a file is what the next file takes, so that a run's memory stays
// that of its largest file and its results (not a heap per thread each as
// large), and a large text copied again is not given fresh pages by the
// system each time. For a process that does one run; call before the
// first thread starts.
void UseOneHeapForTheRun();

}  // namespace migwiz::platform
