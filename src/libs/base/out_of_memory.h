// Running out of memory in C++ code ends the process through quit, as it
// does in the checked allocators: a std::bad_alloc from the standard
// library never leaves an operation of the C interface.
#ifndef LEXKIT_OUT_OF_MEMORY_H
#define LEXKIT_OUT_OF_MEMORY_H

#include <new>
#include <stdexcept>

namespace lexkit {

// Returns what work() returns. Should it run out of memory, report() ends
// the process through quit with the operation's message.
template <typename Work, typename Report>
auto QuitOnBadAlloc(Work &&work, Report &&report) -> decltype(work()) {
  try {
    return work();
  } catch (const std::bad_alloc &) {
    report();
    throw;  // not reached: report() does not return
  } catch (const std::length_error &) {  // a size beyond what a container holds
    report();
    throw;
  }
}

}  // namespace lexkit

#endif  // LEXKIT_OUT_OF_MEMORY_H
