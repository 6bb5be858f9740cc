// Runs a deeply recursive job on a stack of its own, so that its depth does
// not depend on the stack of whichever thread calls it. The caller waits;
// exceptions come back to it.
#pragma once

#include <cstddef>
#include <functional>

namespace migwiz::platform {

inline constexpr std::size_t kLargeStackSize = std::size_t{512} << 20;

void RunOnLargeStack(const std::function<void()>& job, std::size_t stackSize = kLargeStackSize);

}  // namespace migwiz::platform
