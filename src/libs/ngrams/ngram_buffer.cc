// Text -> sorted temporary files of distinct id n-grams with their counts.
//
// The text's windows of n consecutive word ids are collected in batches of
// `buffer_size` windows; each batch is sorted (first id most significant,
// ids unsigned), runs of equal windows are collapsed into one record with a
// count, and the records are written as a numbered temporary file.
//
// A window is kept as one integer: the n ids side by side, each in as many
// bits as the largest id of the vocabulary needs, oldest word highest. The
// integers' numeric order is then the windows' order, the window that
// follows is a shift and an or, and a batch sorts with a radix sort. Windows
// too wide for 128 bits are kept as offsets into the batch's word ids.
#include <stdio.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lexkit/pc_general.h"
#include "libs/base/helper_thread.h"
#include "libs/base/out_of_memory.h"
#include "libs/base/radix_sort.h"
#include "libs/io/idngram_records.h"
#include "libs/ngrams/ngram_stages.h"
#include "libs/ngrams/ngram_stats.h"
#include "libs/ngrams/temp_name.h"
#include "libs/vocabulary/vocab_lookup.h"
#include "libs/vocabulary/text_ids.h"

namespace lexkit {

namespace {

// More files would repeat the 16-bit numbers of their names.
constexpr int kMaxTempFiles = static_cast<int>(kNamesPerCycle) - 1;
constexpr size_t kNameBuffer = 500;  // names are composed in the word buffer
constexpr size_t kMaxWordLength = 499;

// The ids of the text's words, in order, part after part (ngram_stages.h).
class IdSource {
 public:
  enum class Read { kId, kFirstOfPart, kEnd };

  IdSource(const TextParts &parts, struct idngram_hash_table *vocabulary,
           HelperThread *helper)
      : parts_(parts) {
    if (FILE *first = parts_()) ids_.emplace(first, vocabulary, kMaxWordLength, helper);
  }

  // The next id; kFirstOfPart when it is the first of a part after the
  // first part.
  Read Next(wordid_t *id) {
    if (ids_ && ids_->Next(id) == TextIds::Status::kId) return Read::kId;
    return FromNextPart(id);
  }

  // Without parts there are no ids: any width will do.
  wordid_t LargestId() const { return ids_ ? ids_->LargestId() : 0; }

 private:
  // The current part has no id left (or there is none).
  Read FromNextPart(wordid_t *id) {
    if (!ids_) return Read::kEnd;
    for (;;) {
      // Once at its end, a reader tells the same again: an end or an error.
      if (ids_->Next(id) == TextIds::Status::kError) quit(-1, "Error reading file");
      FILE *next = parts_();
      if (next == nullptr) return Read::kEnd;
      ids_->Restart(next);
      if (ids_->Next(id) == TextIds::Status::kId) return Read::kFirstOfPart;
    }
  }

  const TextParts &parts_;
  std::optional<TextIds> ids_;
};

// Messages take the verbosity as an unsigned 16-bit level.
unsigned short Narrow(int verbosity) { return static_cast<unsigned short>(verbosity); }

// Working memory of the batches, taken once for the whole text: a request
// the machine cannot give ends the process naming its size.
template <typename T>
void ReserveOnce(std::vector<T> *v, size_t count) {
  try {
    v->reserve(count);
  } catch (const std::exception &) {  // bad_alloc, or length_error beyond max_size
    quit(-1, "read_txt2ngram_buffer: could not allocate %llu bytes for the n-gram buffer\n",
         static_cast<unsigned long long>(count) * sizeof(T));
  }
}

unsigned BitWidth(wordid_t value) {
  unsigned bits = 0;
  for (; value != 0; value >>= 1) ++bits;
  return bits;
}

// Windows packed into one unsigned integer each.
template <typename Key>
class PackedWindows {
 public:
  PackedWindows(unsigned n, unsigned id_bits)
      : n_(n),
        id_bits_(id_bits),
        mask_(n * id_bits == 8 * sizeof(Key) ? ~Key{0}
                                             : (Key{1} << (n * id_bits)) - 1),
        id_mask_((wordid_t{1} << (id_bits - 1) << 1) - 1),
        ids_(n) {}

  // The batch and the sort's scratch copy.
  void Reserve(size_t windows) {
    ReserveOnce(&keys_, windows);
    ReserveOnce(&scratch_, windows);
  }
  void Shift(wordid_t id) { current_ = ((current_ << id_bits_) | id) & mask_; }
  void Append() { keys_.push_back(current_); }
  void Clear() { keys_.clear(); }
  void Sort(HelperThread *helper) { RadixSort(&keys_, &scratch_, n_ * id_bits_, helper); }

  // Calls emit(ids, count) for each run of equal windows, in sorted order.
  template <typename Emit>
  void ForEachRun(Emit emit) {
    for (size_t i = 0; i < keys_.size();) {
      size_t j = i + 1;
      while (j < keys_.size() && keys_[j] == keys_[i]) ++j;
      Key key = keys_[i];
      for (unsigned p = n_; p-- > 0; key >>= id_bits_)
        ids_[p] = static_cast<wordid_t>(key) & id_mask_;
      emit(ids_.data(), static_cast<int32_t>(j - i));
      i = j;
    }
  }

 private:
  unsigned n_;
  unsigned id_bits_;
  Key mask_;
  wordid_t id_mask_;
  Key current_ = 0;
  std::vector<Key> keys_;
  std::vector<Key> scratch_;
  std::vector<wordid_t> ids_;
};

// Windows as offsets into the batch's word ids (for any width).
class OffsetWindows {
 public:
  explicit OffsetWindows(unsigned n) : n_(n) {}

  void Reserve(size_t windows) {
    ReserveOnce(&words_, windows + n_);
    ReserveOnce(&starts_, windows);
  }

  void Shift(wordid_t id) { words_.push_back(id); }
  void Append() { starts_.push_back(words_.size() - n_); }
  void Clear() {
    // Keep the current window: the first of the next batch.
    words_.erase(words_.begin(), words_.end() - n_);
    starts_.clear();
  }
  void Sort(HelperThread * /*helper*/) {
    const wordid_t *w = words_.data();
    const size_t n = n_;
    std::sort(starts_.begin(), starts_.end(), [w, n](size_t a, size_t b) {
      return std::lexicographical_compare(w + a, w + a + n, w + b, w + b + n);
    });
  }

  template <typename Emit>
  void ForEachRun(Emit emit) {
    const wordid_t *w = words_.data();
    for (size_t i = 0; i < starts_.size();) {
      size_t j = i + 1;
      while (j < starts_.size() &&
             std::equal(w + starts_[i], w + starts_[i] + n_, w + starts_[j]))
        ++j;
      emit(w + starts_[i], static_cast<int32_t>(j - i));
      i = j;
    }
  }

 private:
  size_t n_;
  std::vector<wordid_t> words_;
  std::vector<size_t> starts_;
};

struct BatchSettings {
  int verbosity;  // as given: ShowNgramProgress takes it unnarrowed
  int buffer_size;
  unsigned n;
  TempNames names;
  HelperThread *helper;  // shares the lookups and the sorts; may be null
};

template <typename Windows>
int WriteBatches(IdSource &source, Windows &windows, const BatchSettings &s) {
  // Windows of n ids of one part. Within a part each id completes one; a
  // part's first n - 1 ids only begin its first.
  wordid_t id = 0;
  // The window of a part's first n ids, the first of which is `id`; false
  // at the end of the text.
  auto first_window = [&] {
    for (unsigned filled = 1;; ++filled) {
      windows.Shift(id);
      if (filled == s.n) return true;
      switch (source.Next(&id)) {
        case IdSource::Read::kEnd:
          return false;
        case IdSource::Read::kFirstOfPart:
          filled = 0;  // too short for a window: the next part's begins
          break;
        case IdSource::Read::kId:
          break;
      }
    }
  };
  // The next window; false at the end of the text.
  auto next_window = [&] {
    switch (source.Next(&id)) {
      case IdSource::Read::kId:
        windows.Shift(id);
        return true;
      case IdSource::Read::kFirstOfPart:
        return first_window();
      case IdSource::Read::kEnd:
        break;
    }
    return false;
  };
  // The first window; a text shorter than n words gives no file.
  if (source.Next(&id) == IdSource::Read::kEnd || !first_window()) return 0;
  windows.Reserve(static_cast<size_t>(s.buffer_size));
  int number_of_tempfiles = 0;
  IdNgramWriter writer(nullptr, static_cast<int>(s.n), "temporary n-gram ids",
                       "temporary n-gram counts");
  for (bool more = true; more;) {
    pc_message(Narrow(s.verbosity), 2, "Reading text into the n-gram buffer...\n");
    pc_message(Narrow(s.verbosity), 2,
               "20,000 n-grams processed for each \".\", 1,000,000 for each "
               "line.\n");
    windows.Clear();
    windows.Append();
    for (int r = 1;; ++r) {
      ShowNgramProgress(r, s.verbosity);
      if (!next_window()) {
        more = false;
        break;
      }
      if (r == s.buffer_size) break;  // the window is the next batch's first
      windows.Append();
    }

    pc_message(Narrow(s.verbosity), 2, "\nSorting n-grams...\n");
    windows.Sort(s.helper);

    if (number_of_tempfiles == kMaxTempFiles)
      quit(-1,
           "read_txt2ngram_buffer: the text needs more than %d temporary "
           "files, and their numbers would repeat. Use a larger buffer.\n",
           kMaxTempFiles);
    ++number_of_tempfiles;
    const std::string name = s.names.Name(number_of_tempfiles);
    pc_message(Narrow(s.verbosity), 2, "Writing sorted n-grams to temporary file %s\n",
               name.c_str());
    FILE *fp = ox_oopen(name.c_str());
    writer.SetStream(fp);
    windows.ForEachRun(
        [&writer](const wordid_t *ids, int32_t count) { writer.Write(ids, count); });
    writer.Flush();
    ox_oclose(fp);
  }
  return number_of_tempfiles;
}

}  // namespace

int TextToNgramFiles(FILE *infp, struct idngram_hash_table *vocabulary,
                     int verbosity, wordid_t *buffer, int buffer_size,
                     unsigned int n, const char *temp_file_root,
                     const char *temp_file_ext, unsigned threads) {
  bool given = false;
  const TextParts one_part = [&]() -> FILE * {
    if (given) return nullptr;
    given = true;
    return infp;
  };
  return TextToNgramFiles(one_part, vocabulary, verbosity, buffer, buffer_size, n,
                          temp_file_root, temp_file_ext, threads);
}

int TextToNgramFiles(const TextParts &parts, struct idngram_hash_table *vocabulary,
                     int verbosity, wordid_t * /*buffer*/, int buffer_size,
                     unsigned int n, const char *temp_file_root,
                     const char *temp_file_ext, unsigned threads) {
  // The batches live in working memory of this call (8 or 16 bytes per
  // window for packed windows, and as much for the sort), allocated once
  // here: the caller's buffer is not used and may be null.
  if (buffer_size < 1)
    quit(-1, "read_txt2ngram_buffer: the buffer must hold at least one n-gram, not %d\n",
         buffer_size);
  if (n < 1) quit(-1, "read_txt2ngram_buffer: the n-gram length must be at least 1\n");

  return QuitOnBadAlloc([&] {
    // One helper thread when there is a core for it; the work is split in
    // two, never more.
    const std::unique_ptr<HelperThread> helper =
        threads >= 2 ? HelperThread::Start() : nullptr;
    const BatchSettings settings{verbosity, buffer_size, n,
                                 TempNames(temp_file_root, temp_file_ext, "read_txt2ngram_buffer",
                                           "temporary file name", kNameBuffer),
                                 helper.get()};
    IdSource source(parts, vocabulary, helper.get());
    const unsigned id_bits = std::max(1u, BitWidth(source.LargestId()));
    const uint64_t key_bits = static_cast<uint64_t>(n) * id_bits;
    if (key_bits <= 64) {
      PackedWindows<uint64_t> windows(n, id_bits);
      return WriteBatches(source, windows, settings);
    }
    if (key_bits <= 128) {
      PackedWindows<unsigned __int128> windows(n, id_bits);
      return WriteBatches(source, windows, settings);
    }
    OffsetWindows windows(n);
    return WriteBatches(source, windows, settings);
  }, [&] {
    quit(-1, "read_txt2ngram_buffer: out of memory for a buffer of %d n-grams\n",
         buffer_size);
  });
}

}  // namespace lexkit
