// Section sizes and offsets of the binary model file, and its writer.
#include "liblmest/model/model_layout.h"

#include <string.h>

#include "lexkit/general.h"

namespace lexkit {
namespace model_file {
namespace {

bool MulAdd(uint64_t a, uint64_t b, uint64_t *out) {
  return !__builtin_mul_overflow(a, b, out);
}

// Sections start on a cache line of their own (model_file.h).
uint64_t RoundUpToLine(uint64_t v) { return (v + kSectionAlignment - 1) & ~(kSectionAlignment - 1); }

}  // namespace

bool SectionSizes(uint32_t order, uint64_t vocab_size, const uint64_t *counts,
                  uint64_t vocab_text_size, uint64_t method_text_size,
                  uint64_t sizes[kNumSections]) {
  if (order < 1 || order > kMaxOrder) return false;
  if (vocab_size >= UINT32_MAX || counts[0] != vocab_size + 1) return false;
  for (uint32_t i = 0; i < kNumSections; ++i) sizes[i] = 0;
  sizes[kVocabText] = vocab_text_size;
  if (!MulAdd(vocab_size + 2, 8, &sizes[kVocabOffsets])) return false;
  sizes[kMethodText] = method_text_size;
  for (uint32_t k = 0; k < order; ++k) {
    if (counts[k] >= UINT32_MAX) return false;
    uint64_t *level = sizes + kFirstLevelSection + k * kSectionsPerLevel;
    if (k > 0) level[kLevelWords] = counts[k] * 4;
    level[kLevelProbs] = counts[k] * 4;
    if (k + 1 < order) {
      level[kLevelBows] = counts[k] * 4;
      level[kLevelNext] = (counts[k] + 1) * 4;
    }
  }
  return true;
}

bool MakeHeader(uint32_t order, uint64_t vocab_size, const uint64_t *counts,
                uint64_t vocab_text_size, uint64_t method_text_size,
                uint32_t flags, ModelFileHeader *header) {
  uint64_t sizes[kNumSections];
  if (!SectionSizes(order, vocab_size, counts, vocab_text_size,
                    method_text_size, sizes))
    return false;
  memset(header, 0, sizeof *header);
  memcpy(header->magic, kMagic, sizeof kMagic);
  header->version = kFormatVersion;
  header->byte_order = kByteOrderMark;
  header->order = order;
  header->flags = flags;
  header->vocab_size = vocab_size;
  for (uint32_t k = 0; k < order; ++k) header->counts[k] = counts[k];
  uint64_t offset = sizeof(ModelFileHeader);
  for (uint32_t i = 0; i < kNumSections; ++i) {
    if (sizes[i] == 0) continue;
    offset = RoundUpToLine(offset);
    header->sections[i] = {offset, sizes[i]};
    if (__builtin_add_overflow(offset, sizes[i], &offset)) return false;
  }
  header->file_size = offset;
  return true;
}

ModelFileWriter::ModelFileWriter(FILE *fp, const char *path,
                                 const ModelFileHeader &header, OnError on_error)
    : fp_(fp), path_(path), header_(header), on_error_(on_error) {
  Put(&header_, sizeof header_);
}

void ModelFileWriter::Fail(const char *format) {
  if (on_error_ == OnError::kQuit) quit(-1, format, path_.c_str());
  failed_ = true;
}

void ModelFileWriter::Put(const void *data, uint64_t bytes) {
  if (failed_) return;
  if (bytes > 0 && fwrite(data, 1, bytes, fp_) != bytes)
    return Fail("Error : could not write the model file %s\n");
  written_ += bytes;
}

void ModelFileWriter::PadTo(uint64_t offset) {
  static const char zeros[8] = {0};
  while (!failed_ && written_ < offset)
    Put(zeros, offset - written_ < 8 ? offset - written_ : 8);
}

void ModelFileWriter::Append(uint32_t section, const void *data,
                             uint64_t bytes) {
  if (failed_) return;
  bool in_order = section < kNumSections && section >= section_;
  for (uint32_t s = section_; in_order && s < section; ++s)
    in_order = done_[s] == header_.sections[s].size;
  if (!in_order || done_[section] + bytes > header_.sections[section].size)
    return Fail("Error : the model file %s is written out of order\n");
  PadTo(header_.sections[section].offset + done_[section]);
  section_ = section;
  Put(data, bytes);
  done_[section] += bytes;
}

bool ModelFileWriter::Finish() {
  for (uint32_t s = 0; s < kNumSections && !failed_; ++s)
    if (done_[s] != header_.sections[s].size)
      Fail("Error : the model file %s lacks a part of its tables\n");
  PadTo(header_.file_size);
  if (!failed_ && fflush(fp_) != 0)
    Fail("Error : could not write the model file %s\n");
  return !failed_;
}

}  // namespace model_file
}  // namespace lexkit
