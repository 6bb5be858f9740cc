#include "platform/LargeStack.h"

#include <pthread.h>

#include <condition_variable>
#include <exception>
#include <mutex>

namespace migwiz::platform {

namespace {

thread_local bool tLargeStack = false;

bool StartThread(pthread_t& thread, std::size_t stackSize, void* (*main)(void*), void* arg,
                 bool detached) {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  bool ok = pthread_attr_setstacksize(&attr, stackSize) == 0 &&
            (!detached || pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED) == 0) &&
            pthread_create(&thread, &attr, main, arg) == 0;
  pthread_attr_destroy(&attr);
  return ok;
}

// One worker thread with a large stack, started at the first job and kept
// for the life of the process: creating a thread per parse would cost more
// than most parses.
class Worker {
 public:
  static Worker* Get(std::size_t stackSize) {
    static Worker* worker = [stackSize] {
      auto* w = new Worker;
      return w->Start(stackSize) ? w : nullptr;
    }();
    return worker;
  }

  bool OnWorkerThread() const { return pthread_equal(pthread_self(), thread_) != 0; }

  void Run(const std::function<void()>& job) {
    std::unique_lock<std::mutex> callers(callerMutex_);  // one job at a time
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = &job;
    error_ = nullptr;
    done_ = false;
    wake_.notify_one();
    finished_.wait(lock, [this] { return done_; });
    if (error_) std::rethrow_exception(error_);
  }

 private:
  bool Start(std::size_t stackSize) {
    return StartThread(thread_, stackSize, &Worker::Loop, this, true);
  }

  static void* Loop(void* self) {
    tLargeStack = true;
    auto* w = static_cast<Worker*>(self);
    std::unique_lock<std::mutex> lock(w->mutex_);
    for (;;) {
      w->wake_.wait(lock, [w] { return w->job_ != nullptr; });
      try {
        (*w->job_)();
      } catch (...) {
        w->error_ = std::current_exception();
      }
      w->job_ = nullptr;
      w->done_ = true;
      w->finished_.notify_one();
    }
    return nullptr;
  }

  pthread_t thread_{};
  std::mutex callerMutex_;
  std::mutex mutex_;
  std::condition_variable wake_, finished_;
  const std::function<void()>* job_ = nullptr;
  std::exception_ptr error_;
  bool done_ = false;
};

}  // namespace

bool OnLargeStack() { return tLargeStack; }

void RunOnLargeStack(const std::function<void()>& job, std::size_t stackSize) {
  if (tLargeStack) {
    job();
    return;
  }
  Worker* worker = Worker::Get(stackSize);
  if (!worker || worker->OnWorkerThread()) {
    job();  // no worker to be had, or already on it
    return;
  }
  worker->Run(job);
}

TLargeStackThread::TLargeStackThread(std::function<void()> body, std::size_t stackSize)
    : body_(std::move(body)) {
  started_ = StartThread(thread_, stackSize, &TLargeStackThread::Main, this, false);
}

TLargeStackThread::~TLargeStackThread() {
  if (started_) pthread_join(thread_, nullptr);
}

void* TLargeStackThread::Main(void* self) {
  tLargeStack = true;
  static_cast<TLargeStackThread*>(self)->body_();
  return nullptr;
}

}  // namespace migwiz::platform
