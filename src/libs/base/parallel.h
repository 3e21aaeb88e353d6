// Work split into parts that run side by side on the machine's cores.
//
// A stage that can be cut into independent ranges (say, the entries of one
// level of a model) asks WorkerCount() how many threads to use and RunParts
// runs one range per thread. Whatever the number of parts, a stage must
// give the same result: each part writes only what its own range owns, and
// what the parts tally is added up after they have all ended.
#ifndef LEXKIT_LIBS_BASE_PARALLEL_H
#define LEXKIT_LIBS_BASE_PARALLEL_H

#include <signal.h>
#include <stdint.h>

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace lexkit {

// The number of threads a stage may use: the environment's LEXKIT_THREADS
// when it holds a number from 1 up, otherwise the cores this process may
// run on (UsableCores: its CPU affinity, so that `taskset` is obeyed); at
// most 64.
int WorkerCount();

// While it lives, this thread blocks every signal, and so does every
// thread it starts meanwhile: the process's signals (the clean-up handlers
// of lexkit/cleanup.h) then reach the thread that runs the program.
class SignalsBlocked {
 public:
  SignalsBlocked();
  ~SignalsBlocked();
  SignalsBlocked(const SignalsBlocked &) = delete;
  SignalsBlocked &operator=(const SignalsBlocked &) = delete;

 private:
  sigset_t before_;
};

// Runs work(part) for each part in [0, parts): part 0 on the calling thread,
// each other part on a thread of its own (which blocks every signal), and
// returns when every part has ended; parts that get no thread (the system
// gives none) run on the calling thread. An exception thrown by a part (an
// allocation failure, say) is rethrown here once all parts are done, so it
// reaches the caller's handler as it would without threads.
template <typename Work>
void RunParts(int parts, const Work &work) {
  std::vector<std::exception_ptr> failures(static_cast<size_t>(std::max(parts, 1)));
  auto run = [&](int part) {
    try {
      work(part);
    } catch (...) {
      failures[static_cast<size_t>(part)] = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(static_cast<size_t>(std::max(parts - 1, 0)));
  int started = 1;  // parts 1 .. started - 1 have a thread
  {
    const SignalsBlocked blocked;  // the threads start with this thread's mask
    try {
      for (; started < parts; ++started) threads.emplace_back(run, started);
    } catch (const std::system_error &) {
      // No more threads to be had: the calling thread runs the rest.
    }
  }
  if (parts > 0) run(0);
  for (int part = started; part < parts; ++part) run(part);
  for (std::thread &t : threads) t.join();
  for (const std::exception_ptr &failure : failures)
    if (failure) std::rethrow_exception(failure);
}

// The number of parts worth making of `items` items when a part should hold
// at least `least` of them: from 1 to WorkerCount().
inline int PartsFor(uint64_t items, uint64_t least) {
  const uint64_t most = least == 0 ? items : items / least;
  return static_cast<int>(std::clamp<uint64_t>(most, 1, static_cast<uint64_t>(WorkerCount())));
}

// Part p's share of [0, n) cut into `parts` near-equal ranges: part p is
// [PartStart(n, parts, p), PartStart(n, parts, p + 1)).
inline uint64_t PartStart(uint64_t n, int parts, int p) {
  // n * p / parts without overflow for any n below 2^64.
  const auto q = static_cast<uint64_t>(p), m = static_cast<uint64_t>(parts);
  return n / m * q + n % m * q / m;
}

}  // namespace lexkit

#endif  // LEXKIT_LIBS_BASE_PARALLEL_H
