#include "libs/base/parallel.h"

#include <sched.h>
#include <stdlib.h>

namespace lexkit {

int WorkerCount() {
  constexpr long kMost = 64;
  if (const char *setting = getenv("LEXKIT_THREADS"); setting != nullptr && *setting) {
    char *end;
    const long n = strtol(setting, &end, 10);
    if (*end == '\0' && n >= 1) return static_cast<int>(std::min(n, kMost));
  }
  cpu_set_t cpus;
  if (sched_getaffinity(0, sizeof cpus, &cpus) == 0)
    return static_cast<int>(std::clamp<long>(CPU_COUNT(&cpus), 1, kMost));
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp<long>(static_cast<long>(cores), 1, kMost));
}

}  // namespace lexkit
