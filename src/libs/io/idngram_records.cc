#include "libs/io/idngram_records.h"

#include <string.h>

#include <algorithm>

namespace lexkit {

IdNgramWriter::IdNgramWriter(FILE *fp, int n, const char *ids_desc,
                             const char *count_desc, size_t block_size)
    : fp_(fp),
      n_(n),
      record_size_(4 * (static_cast<size_t>(n) + 1)),
      ids_desc_(ids_desc),
      count_desc_(count_desc),
      buffer_(std::max(block_size, record_size_)) {}

void IdNgramWriter::Flush() {
  if (used_ == 0) return;
  size_t written = fwrite_unlocked(buffer_.data(), 1, used_, fp_);
  if (written < used_) {
    // Name the field whose bytes did not all reach the stream.
    size_t field = (written % record_size_) / 4;
    const char *desc = field < static_cast<size_t>(n_) ? ids_desc_ : count_desc_;
    quit(-1, "ox_fwrite: problems writing %s.  Only %d of %d elements were written\n",
         desc, 0, 1);
  }
  used_ = 0;
}

IdNgramReader::IdNgramReader(FILE *fp, int n, size_t block_size)
    : fp_(fp),
      n_(n),
      record_size_(4 * (static_cast<size_t>(n) + 1)),
      buffer_(std::max(block_size, 2 * record_size_)) {}

size_t IdNgramReader::Fill() {
  if (end_ - pos_ >= record_size_) return end_ - pos_;
  memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
  end_ -= pos_;
  pos_ = 0;
  while (end_ < record_size_) {
    size_t got = fread_unlocked(buffer_.data() + end_, 1, buffer_.size() - end_, fp_);
    if (got == 0) break;
    end_ += got;
  }
  return end_;
}

bool IdNgramReader::Next(wordid_t *ids, int32_t *count, const char *count_desc) {
  size_t available = Fill();
  if (available < record_size_) {
    // A read error is never taken for the end of the input.
    if (available == 0 && !ferror(fp_)) return false;
    size_t field = available / 4;
    const char *desc =
        field < static_cast<size_t>(n_) ? "temporary n-gram ids" : count_desc;
    quit(-1, "ox_fread: problems reading %s.  Only %d of %d elements were read\n",
         desc, 0, 1);
  }
  const char *in = buffer_.data() + pos_;
  for (int i = 0; i < n_; ++i, in += 4) ids[i] = DecodeFixed32(in);
  *count = static_cast<int32_t>(DecodeFixed32(in));
  pos_ += record_size_;
  return true;
}

}  // namespace lexkit
