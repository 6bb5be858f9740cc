// Runs a deeply recursive job on a stack of its own, so that its depth does
// not depend on the stack of whichever thread calls it. The caller waits;
// exceptions come back to it.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <functional>

namespace migwiz::platform {

inline constexpr std::size_t kLargeStackSize = std::size_t{512} << 20;

// On a thread with a large stack (a TLargeStackThread, or the worker kept
// for other threads) the job runs at once.
void RunOnLargeStack(const std::function<void()>& job, std::size_t stackSize = kLargeStackSize);

// Whether the calling thread runs on a large stack.
bool OnLargeStack();

// A thread with a large stack, on which RunOnLargeStack needs no other
// thread. Joined when destroyed.
class TLargeStackThread {
 public:
  explicit TLargeStackThread(std::function<void()> body, std::size_t stackSize = kLargeStackSize);
  ~TLargeStackThread();
  TLargeStackThread(const TLargeStackThread&) = delete;
  TLargeStackThread& operator=(const TLargeStackThread&) = delete;

  // False when the host gave no thread: the body never runs.
  bool Started() const { return started_; }

 private:
  static void* Main(void* self);

  std::function<void()> body_;
  pthread_t thread_{};
  bool started_ = false;
};

}  // namespace migwiz::platform
