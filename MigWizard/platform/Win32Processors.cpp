#include <windows.h>

#include <algorithm>
#include <bitset>
#include <thread>

#include "platform/Processors.h"

namespace migwiz::platform {

std::size_t AvailableCores() {
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0)
    return std::bitset<sizeof(DWORD_PTR) * 8>(process).count();
  return std::max(1u, std::thread::hardware_concurrency());
}

// The C runtime's heap is one already.
void ShareOneHeap() {}

}  // namespace migwiz::platform
