#include "libs/base/parallel.h"

#include <signal.h>
#include <stdlib.h>

#include "libs/base/helper_thread.h"

namespace lexkit {

int WorkerCount() {
  constexpr long kMost = 64;
  if (const char *setting = getenv("LEXKIT_THREADS"); setting != nullptr && *setting) {
    char *end;
    const long n = strtol(setting, &end, 10);
    if (*end == '\0' && n >= 1) return static_cast<int>(std::min(n, kMost));
  }
  return static_cast<int>(std::clamp<long>(static_cast<long>(UsableCores()), 1, kMost));
}

SignalsBlocked::SignalsBlocked() {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &before_);
}

SignalsBlocked::~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

}  // namespace lexkit
