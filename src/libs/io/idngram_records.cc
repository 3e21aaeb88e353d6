#include "libs/io/idngram_records.h"

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
    : BlockInput(fp, block_size, 4 * (static_cast<size_t>(n) + 1)),
      n_(n),
      record_size_(4 * (static_cast<size_t>(n) + 1)) {}

size_t IdNgramReader::Fill() {
  // A record cut by the end of the window moves to the front of the next.
  while (static_cast<size_t>(end_ - pos_) < record_size_ && Refill(pos_)) {
  }
  return static_cast<size_t>(end_ - pos_);
}

bool IdNgramReader::Next(wordid_t *ids, int32_t *count, const char *count_desc) {
  size_t available = Fill();
  if (available < record_size_) {
    // A read error is never taken for the end of the input.
    if (available == 0 && !failed()) return false;
    size_t field = available / 4;
    const char *desc =
        field < static_cast<size_t>(n_) ? "temporary n-gram ids" : count_desc;
    quit(-1, "ox_fread: problems reading %s.  Only %d of %d elements were read\n",
         desc, 0, 1);
  }
  const char *in = pos_;
  for (int i = 0; i < n_; ++i, in += 4) ids[i] = DecodeFixed32(in);
  *count = static_cast<int32_t>(DecodeFixed32(in));
  pos_ += record_size_;
  return true;
}

}  // namespace lexkit
