#include <sched.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <thread>

#include "platform/Processors.h"

namespace migwiz::platform {

std::size_t AvailableCores() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<std::size_t>(std::max(1, CPU_COUNT(&set)));
  return std::max(1u, std::thread::hardware_concurrency());
}

void ShareOneHeap() {
#if defined(__GLIBC__)
  mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace migwiz::platform
