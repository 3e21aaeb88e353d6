#include "libs/base/helper_thread.h"

#include <sched.h>

#include <system_error>
#include <utility>

#include "libs/base/parallel.h"

namespace lexkit {

unsigned UsableCores() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
    return static_cast<unsigned>(CPU_COUNT(&set));
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? cores : 1;
}

HelperThread::HelperThread() {
  const SignalsBlocked blocked;  // the thread starts with this thread's mask
  thread_ = std::thread([this] { Loop(); });
}

std::unique_ptr<HelperThread> HelperThread::Start() {
  try {
    return std::make_unique<HelperThread>();
  } catch (const std::system_error &) {
    return nullptr;
  }
}

HelperThread::~HelperThread() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void HelperThread::Run(std::function<void()> task) {
  Wait();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = std::move(task);
    busy_ = true;
  }
  changed_.notify_all();
}

void HelperThread::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  if (failure_ != nullptr) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void HelperThread::Finish() noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  failure_ = nullptr;
}

void HelperThread::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || stop_; });
    if (!busy_) return;  // stopped
    std::function<void()> task = std::move(task_);
    lock.unlock();
    std::exception_ptr failure;
    try {
      task();
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    failure_ = failure;
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace lexkit
