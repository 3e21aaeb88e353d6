#include "libs/vocabulary/text_ids.h"

#include <string.h>

#include <string_view>

#include "libs/io/word_scan.h"

namespace lexkit {

namespace {

constexpr size_t kBatch = VocabLookup::kMaxBatch;
// FindAll reads the words in place, up to kPadding bytes past their start.
static_assert(kScanPadding >= VocabLookup::kPadding, "a chunk's padding covers FindAll's reads");

}  // namespace

TextIds::TextIds(FILE *fp, struct idngram_hash_table *vocabulary, size_t max_len,
                 HelperThread *helper)
    : chunks_(fp, max_len), lookup_(vocabulary, helper), max_len_(max_len), helper_(helper) {
  // Lookups that may fall back to index2 (a table without chains, words
  // too long for the fast table) print its warnings, or allocate: those
  // stay in this thread, in text order.
  if (vocabulary->size < 1 || max_len > VocabLookup::kMaxLength) helper_ = nullptr;
  lanes_.resize(helper_ != nullptr ? 2 : 1);
}

TextIds::~TextIds() {
  if (helper_ != nullptr) helper_->Finish();  // it may be looking at lanes_[1]
}

void TextIds::Restart(FILE *fp) {
  chunks_.Restart(fp);
  lanes_read_ = lane_served_ = 0;
  next_ = end_ = nullptr;
  stream_done_ = false;
  status_ = Status::kId;
}

void TextIds::Look(Lane &lane) const {
  // The ids never outgrow what ReadRound reserved, and the lookups a helper
  // is given never fall back to index2: a helper's share allocates nothing.
  const TextChunk &chunk = lane.chunk;
  lane.ids.clear();
  std::string_view words[kBatch];
  size_t n = 0;
  auto look_up = [&] {
    const size_t done = lane.ids.size();
    lane.ids.resize(done + n);
    lookup_.FindAll(words, n, lane.ids.data() + done);
    n = 0;
  };
  ForEachWord(chunk.begin(), chunk.end(), max_len_, [&](const char *word, size_t len) {
    if (chunk.has_nul) {
      const void *nul = memchr(word, '\0', len);
      if (nul != nullptr) len = static_cast<size_t>(static_cast<const char *>(nul) - word);
    }
    words[n++] = std::string_view(word, len);
    if (n == kBatch) look_up();
  });
  look_up();
}

bool TextIds::ReadRound() {
  lanes_read_ = 0;
  while (!stream_done_ && lanes_read_ < lanes_.size()) {
    Lane &lane = lanes_[lanes_read_];
    if (!chunks_.Next(&lane.chunk)) {
      stream_done_ = true;
      break;
    }
    // Every word but the last takes two bytes or more (itself and white
    // space, or a piece of max_len bytes), unless max_len is 1.
    lane.ids.reserve(max_len_ >= 2 ? lane.chunk.size / 2 + 1 : lane.chunk.size);
    ++lanes_read_;
  }
  if (lanes_read_ == 0) return false;
  if (lanes_read_ == 2) helper_->Run([this] { Look(lanes_[1]); });
  Look(lanes_[0]);
  return true;
}

bool TextIds::Fill() {
  for (;;) {
    if (lane_served_ + 1 < lanes_read_) {
      ++lane_served_;
      helper_->Wait();
    } else if (ReadRound()) {
      lane_served_ = 0;
    } else {
      status_ = chunks_.failed() ? Status::kError : Status::kEnd;
      return false;
    }
    const std::vector<wordid_t> &ids = lanes_[lane_served_].ids;
    next_ = ids.data();
    end_ = ids.data() + ids.size();
    if (next_ != end_) return true;
  }
}

}  // namespace lexkit
