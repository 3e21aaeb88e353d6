#include "liblmest/build/idngram_source.h"

#include <errno.h>
#include <string.h>

#include "libs/base/coding.h"

namespace lexkit {
namespace {

constexpr size_t kBlockBytes = 1 << 20;
// An id no vocabulary reaches, placed before each ASCII record is read.
constexpr id__t kUnread = 0xFFFFFFFFu;

}  // namespace

IdNgramSource::IdNgramSource(FILE *fp, const std::string &name, int n, bool ascii)
    // ASCII records are read through get_ngram; the block is then unused.
    : BlockInput(fp, ascii ? 1 : kBlockBytes, 4 * (static_cast<size_t>(n) + 1)),
      fp_(fp),
      name_(name),
      n_(n),
      ascii_(ascii),
      record_bytes_(4 * (static_cast<size_t>(n) + 1)) {}

void IdNgramSource::CutShort() const {
  quit(-1,
       "buildlex : Error : %s ends inside record %llu: the file is truncated, "
       "or its n-grams are not of order %d.\n",
       name_.c_str(), static_cast<unsigned long long>(record_ + 1), n_);
}

bool IdNgramSource::Next(id__t *ids, count_t *count) {
  const bool got = ascii_ ? NextAscii(ids, count) : NextBinary(ids, count);
  if (got) ++record_;
  return got;
}

bool IdNgramSource::NextBinary(id__t *ids, count_t *count) {
  // A record cut by the end of the block moves to the front of the next.
  while (static_cast<size_t>(end_ - pos_) < record_bytes_ && Refill(pos_)) {
  }
  const size_t available = static_cast<size_t>(end_ - pos_);
  if (available < record_bytes_) {
    if (failed())
      quit(-1, "buildlex : Error : could not read %s: %s\n", name_.c_str(),
           strerror(errno));
    if (available == 0) return false;
    CutShort();
  }
  const char *in = pos_;
  for (int i = 0; i < n_; ++i, in += 4) ids[i] = DecodeFixed32(in);
  *count = static_cast<count_t>(DecodeFixed32(in));
  pos_ += record_bytes_;
  return true;
}

bool IdNgramSource::NextAscii(id__t *ids, count_t *count) {
  // get_ngram returns 0 both at the end and inside a record cut short,
  // leaving the ids it read; an id changed from kUnread tells them apart.
  ids[0] = kUnread;
  ngram record{static_cast<unsigned short>(n_), ids, 0};
  if (get_ngram(fp_, &record, 1)) {
    *count = record.count;
    return true;
  }
  if (n_ > 0 && ids[0] != kUnread) CutShort();
  return false;
}

}  // namespace lexkit
