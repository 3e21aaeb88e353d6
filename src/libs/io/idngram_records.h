// Buffered reading and writing of binary id n-gram records: n word ids and
// a count, each a 4-byte number stored most significant byte first. The
// bytes and the failure messages are those of one ox_fread or ox_fwrite
// call per field; the data moves in large blocks.
#ifndef LEXKIT_IDNGRAM_RECORDS_H
#define LEXKIT_IDNGRAM_RECORDS_H

#include <stdio.h>

#include <cstdint>
#include <vector>

#include "lexkit/general.h"
#include "libs/base/coding.h"
#include "libs/io/block_input.h"

namespace lexkit {

class IdNgramWriter {
 public:
  // `ids_desc` and `count_desc` name the fields in a write-failure message.
  IdNgramWriter(FILE *fp, int n, const char *ids_desc, const char *count_desc,
                size_t block_size = 1 << 20);
  IdNgramWriter(const IdNgramWriter &) = delete;
  IdNgramWriter &operator=(const IdNgramWriter &) = delete;

  void Write(const wordid_t *ids, int32_t count) {
    if (buffer_.size() - used_ < record_size_) Flush();
    char *out = buffer_.data() + used_;
    for (int i = 0; i < n_; ++i, out += 4) EncodeFixed32(out, ids[i]);
    EncodeFixed32(out, static_cast<uint32_t>(count));
    used_ += record_size_;
  }

  // Hands the buffered records to the stream; a failure ends the process.
  void Flush();

  // Writes the following records to another stream (after a Flush); the
  // buffer is kept, so one writer serves a series of files.
  void SetStream(FILE *fp) { fp_ = fp; }

 private:
  FILE *fp_;
  int n_;
  size_t record_size_;
  const char *ids_desc_;
  const char *count_desc_;
  std::vector<char> buffer_;
  size_t used_ = 0;
};

class IdNgramReader : public BlockInput {
 public:
  IdNgramReader(FILE *fp, int n, size_t block_size = 1 << 18);
  // Reads the next record; false when not a single byte is left. A record
  // cut short, or a read error, ends the process with the message naming
  // the field that could not be read ("temporary n-gram ids", or
  // `count_desc` for the count).
  bool Next(wordid_t *ids, int32_t *count, const char *count_desc);

 private:
  size_t Fill();  // bytes available after topping up the window

  int n_;
  size_t record_size_;
};

}  // namespace lexkit

#endif  // LEXKIT_IDNGRAM_RECORDS_H
