#include "platform/LargeStack.h"

#include <pthread.h>

#include <exception>

namespace migwiz::platform {

namespace {

struct Job {
  const std::function<void()>* job;
  std::exception_ptr error;
};

void* Run(void* arg) {
  auto* j = static_cast<Job*>(arg);
  try {
    (*j->job)();
  } catch (...) {
    j->error = std::current_exception();
  }
  return nullptr;
}

}  // namespace

void RunOnLargeStack(const std::function<void()>& job, std::size_t stackSize) {
  Job j{&job, nullptr};
  pthread_attr_t attr;
  pthread_t thread;
  bool started = pthread_attr_init(&attr) == 0;
  if (started) {
    started = pthread_attr_setstacksize(&attr, stackSize) == 0 &&
              pthread_create(&thread, &attr, Run, &j) == 0;
    pthread_attr_destroy(&attr);
  }
  if (!started) {
    job();  // no thread to be had: run here, within the caller's stack
    return;
  }
  pthread_join(thread, nullptr);
  if (j.error) std::rethrow_exception(j.error);
}

}  // namespace migwiz::platform
