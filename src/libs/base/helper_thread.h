// A second thread that runs one task at a time for the thread that owns
// it, so that an operation can split its work in two without anything of
// that showing to its callers: the owner hands over a task, does its own
// share, then waits for the task to be done. Tasks run in the order they
// are handed over, so stages of one operation may share a helper.
//
// A task must not call quit. Should one throw (std::bad_alloc), Wait
// rethrows the exception in the owner's thread. The helper blocks every
// signal, so that the signals of the process (the clean-up handlers of
// libs/io/cleanup.h) reach the owner's thread, as they would without it. The destructor waits for a
// task still running, so an owner unwound by an exception never leaves the
// helper working on memory that is going away.
#ifndef LEXKIT_LIBS_BASE_HELPER_THREAD_H
#define LEXKIT_LIBS_BASE_HELPER_THREAD_H

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace lexkit {

// The processors this process may run on (its affinity mask), at least 1.
unsigned UsableCores();

class HelperThread {
 public:
  // A running helper, or null when the system gives no thread: the caller
  // then does all the work itself.
  static std::unique_ptr<HelperThread> Start();
  // Starts the thread; std::system_error when the system gives none.
  HelperThread();
  ~HelperThread();
  HelperThread(const HelperThread &) = delete;
  HelperThread &operator=(const HelperThread &) = delete;

  // Starts `task` once the one before is done (Wait, then hand over).
  void Run(std::function<void()> task);
  // Returns once the task is done (at once if there is none).
  void Wait();
  // The same, dropping what the task threw: for an owner that is being
  // unwound, or that no longer wants the task's result.
  void Finish() noexcept;

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> task_;
  bool busy_ = false;  // a task was handed over and is not done
  bool stop_ = false;
  std::exception_ptr failure_;
  std::thread thread_;  // started by the constructor, joined by the destructor
};

// Runs `theirs` on `helper` and `ours` in this thread, and returns once
// both are done; without a helper, this thread runs both. Should `ours`
// throw, the helper's task is over before the exception leaves, so it
// never outlives what the two share.
template <typename Theirs, typename Ours>
void RunShared(HelperThread *helper, Theirs &&theirs, Ours &&ours) {
  if (helper == nullptr) {
    ours();
    theirs();
    return;
  }
  helper->Run(std::forward<Theirs>(theirs));
  try {
    ours();
  } catch (...) {
    helper->Finish();
    throw;
  }
  helper->Wait();
}

}  // namespace lexkit

#endif  // LEXKIT_LIBS_BASE_HELPER_THREAD_H
