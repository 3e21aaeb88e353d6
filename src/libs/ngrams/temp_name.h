// Names of the n-gram pipeline's temporary files: "%s/%hu%s" from a root
// directory, a running number and a name ending. The number is written as
// an unsigned 16-bit decimal, so numbers repeat every kNamesPerCycle
// (65537 names the same file as 1).
//
// Every caller composes its names into a buffer of a fixed size, and that
// size is the one length rule: a name must be shorter than the buffer. A
// name that is not ends the process with
//   "<who>: the <what> '<name>' is longer than <buffer_size - 1> characters\n"
// before any file of that name is touched. The names are built as strings,
// so nothing is written past memory whatever their length.
#ifndef LEXKIT_LIBS_NGRAMS_TEMP_NAME_H
#define LEXKIT_LIBS_NGRAMS_TEMP_NAME_H

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace lexkit {

// How many distinct names the 16-bit numbers give.
constexpr int64_t kNamesPerCycle = 65536;

class TempNames {
 public:
  // `who` and `what` name the caller and its kind of file in the message
  // above; `buffer_size` is the size of the caller's name buffer.
  TempNames(const char *root, const char *ext, const char *who, const char *what,
            size_t buffer_size)
      : root_(root), ext_(ext), who_(who), what_(what), buffer_size_(buffer_size) {}

  // The name of file `number`, or the end of the process if it is too long.
  std::string Name(int64_t number) const;

 private:
  const char *root_;
  const char *ext_;
  const char *who_;
  const char *what_;
  size_t buffer_size_;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_NGRAMS_TEMP_NAME_H
