// A few threads that convert the files of a run side by side. Each thread
// has a large stack (the form parser recurses deeply) and a number of its
// own, so that a job can use what belongs to its thread (a form parser).
// The caller posts numbered jobs and waits for them by number, which lets
// it take the results in the order of its list.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/LargeStack.h"

namespace migwiz::replace {

class TConversionPool {
 public:
  // Gets the number of the thread that runs it; must not throw.
  using Job = std::function<void(size_t thread)>;

  // Up to that many threads: fewer when the host gives fewer.
  explicit TConversionPool(size_t threads);
  // Jobs not yet begun are dropped; the ones running are waited for.
  ~TConversionPool();
  TConversionPool(const TConversionPool&) = delete;
  TConversionPool& operator=(const TConversionPool&) = delete;

  // As many as the cores this process may run on.
  static size_t DefaultThreads();

  size_t Threads() const { return threads_.size(); }
  void Post(size_t number, Job job);
  // Until the job of that number has run (or was dropped).
  void Wait(size_t number);
  // Drops the jobs not yet begun; waiting for them returns at once.
  void DropQueued();

 private:
  void Serve(size_t thread);

  struct Posted {
    size_t number;
    Job job;
  };
  std::mutex mutex_;
  std::condition_variable posted_, finished_;
  std::deque<Posted> queue_;
  std::unordered_set<size_t> done_;
  bool closing_ = false;
  // Who sleeps, so that nobody is woken for nothing: the threads waiting
  // for a job, and the job the caller waits for (none: SIZE_MAX).
  size_t idle_ = 0;
  size_t awaited_ = SIZE_MAX;
  std::vector<std::unique_ptr<platform::TLargeStackThread>> threads_;
};

}  // namespace migwiz::replace
