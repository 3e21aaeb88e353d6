// Where each section of a binary model file lies, computed from the header's
// numbers alone, and a writer that streams the sections in that order. The
// writer of a model and the loader share this one computation, so a file is
// valid exactly when its header equals the layout its numbers give.
#ifndef LEXKIT_LIBLMEST_MODEL_MODEL_LAYOUT_H
#define LEXKIT_LIBLMEST_MODEL_MODEL_LAYOUT_H

#include <stdint.h>
#include <stdio.h>

#include <string>

#include "liblmest/model/model_file.h"

namespace lexkit {
namespace model_file {

// Size in bytes of each section for a model of `order` levels with the
// given entries per level, vocabulary text and method text sizes; 0 for the
// sections that the order leaves out. False when a size overflows 64 bits
// or the numbers are out of range (order, counts[0] != vocab_size + 1, a
// level of 2^32 entries or more).
bool SectionSizes(uint32_t order, uint64_t vocab_size, const uint64_t *counts,
                  uint64_t vocab_text_size, uint64_t method_text_size,
                  uint64_t sizes[kNumSections]);

// Fills every field of `header`: magic, version, byte order, order, flags,
// counts, section sizes and offsets (each present section at the next
// multiple of kSectionAlignment after the previous one), file size. False as for
// SectionSizes.
bool MakeHeader(uint32_t order, uint64_t vocab_size, const uint64_t *counts,
                uint64_t vocab_text_size, uint64_t method_text_size,
                uint32_t flags, ModelFileHeader *header);

// Writes a model file to a stream: the header first, then each present
// section in ascending section number, every byte checked; a write failure
// ends the process naming `path`. Sections may be given in pieces (several
// Append calls for one section); Finish checks that every present section
// was given exactly its size.
//
// A writer made with OnError::kReport never ends the process (the scoring
// API must not): after the first failure it writes nothing more, failed()
// is true and Finish returns false.
class ModelFileWriter {
 public:
  enum class OnError { kQuit, kReport };

  ModelFileWriter(FILE *fp, const char *path, const ModelFileHeader &header,
                  OnError on_error = OnError::kQuit);
  ModelFileWriter(const ModelFileWriter &) = delete;
  ModelFileWriter &operator=(const ModelFileWriter &) = delete;

  // Appends bytes to `section`, which must be the current one or a later
  // one (the padding and any skipped empty sections are written first).
  void Append(uint32_t section, const void *data, uint64_t bytes);
  // True when the whole file was written.
  bool Finish();
  bool failed() const { return failed_; }

 private:
  void Put(const void *data, uint64_t bytes);
  void PadTo(uint64_t offset);
  void Fail(const char *format);

  FILE *fp_;
  std::string path_;
  ModelFileHeader header_;
  uint32_t section_ = 0;               // section being written
  uint64_t written_ = 0;               // bytes written to the file so far
  uint64_t done_[kNumSections] = {};   // bytes given to each section
  OnError on_error_;
  bool failed_ = false;
};

}  // namespace model_file
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_MODEL_LAYOUT_H
