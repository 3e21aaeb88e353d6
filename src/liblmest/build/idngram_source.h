// The records of an id n-gram file in file order, numbered from 1 for the
// messages: binary records are read in large blocks, ASCII ones through
// get_ngram. A record cut short by the end of the file, which get_ngram
// passes over in silence, ends the process naming the file and the record.
#ifndef LEXKIT_LIBLMEST_BUILD_IDNGRAM_SOURCE_H
#define LEXKIT_LIBLMEST_BUILD_IDNGRAM_SOURCE_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "lexkit/ngram.h"
#include "libs/io/block_input.h"

namespace lexkit {

class IdNgramSource : private BlockInput {
 public:
  IdNgramSource(FILE *fp, const std::string &name, int n, bool ascii);
  IdNgramSource(const IdNgramSource &) = delete;
  IdNgramSource &operator=(const IdNgramSource &) = delete;

  // The next record's n ids and count; false at the end of the file.
  bool Next(id__t *ids, count_t *count);
  // The number of the record Next gave last (from 1).
  uint64_t record() const { return record_; }
  const std::string &name() const { return name_; }

 private:
  bool NextBinary(id__t *ids, count_t *count);
  bool NextAscii(id__t *ids, count_t *count);
  [[noreturn]] void CutShort() const;

  FILE *fp_;
  std::string name_;
  int n_;
  bool ascii_;
  size_t record_bytes_;
  uint64_t record_ = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_BUILD_IDNGRAM_SOURCE_H
