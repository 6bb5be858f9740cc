#include "replace/ConversionPool.h"

#include <algorithm>
#include <thread>

#include "platform/Processors.h"

namespace migwiz::replace {

// The cores the process is allowed.
size_t TConversionPool::DefaultThreads() { return platform::AvailableCores(); }

TConversionPool::TConversionPool(size_t threads) {
  for (size_t t = 0; t < threads; ++t) {
    auto thread = std::make_unique<platform::TLargeStackThread>([this, t] { Serve(t); });
    if (!thread->Started()) break;
    threads_.push_back(std::move(thread));
  }
}

TConversionPool::~TConversionPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
    queue_.clear();
  }
  posted_.notify_all();
  threads_.clear();  // joins
}

void TConversionPool::Post(size_t number, Job job) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({number, std::move(job)});
    wake = idle_ > 0;
  }
  if (wake) posted_.notify_one();
}

void TConversionPool::Wait(size_t number) {
  std::unique_lock<std::mutex> lock(mutex_);
  awaited_ = number;
  finished_.wait(lock, [&] { return done_.count(number) != 0; });
  awaited_ = SIZE_MAX;
  done_.erase(number);
}

void TConversionPool::DropQueued() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Posted& p : queue_) done_.insert(p.number);
  queue_.clear();
}

void TConversionPool::Serve(size_t thread) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    ++idle_;
    posted_.wait(lock, [this] { return closing_ || !queue_.empty(); });
    --idle_;
    if (closing_) return;
    Posted p = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    try {
      p.job(thread);
    } catch (...) {
      // A job keeps its own failure for its caller; nothing should reach here.
    }
    p.job = nullptr;  // what the job holds goes before the caller hears of it
    lock.lock();
    done_.insert(p.number);
    if (p.number == awaited_) finished_.notify_all();
  }
}

}  // namespace migwiz::replace
