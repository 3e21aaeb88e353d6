#include "liblmest/model/model_check.h"

#include <string.h>

#include <string_view>

#include "liblmest/model/model_layout.h"

namespace lexkit {
namespace model {

using namespace model_file;

namespace {

std::string Num(uint64_t v) { return std::to_string(v); }

std::string CheckVocabulary(const ModelFileHeader &h, const char *text,
                            const uint64_t *offsets) {
  const uint64_t words = h.vocab_size + 1;
  const uint64_t text_size = h.sections[kVocabText].size;
  if (offsets[0] != 0 || offsets[words] != text_size)
    return "its vocabulary offsets do not frame the vocabulary text";
  for (uint64_t id = 0; id < words; ++id) {
    const uint64_t start = offsets[id];
    const uint64_t end = offsets[id + 1];
    if (end <= start || end > text_size)
      return "the vocabulary offset of word " + Num(id + 1) + " is out of order";
    if (text[end - 1] != '\0' || memchr(text + start, '\0', end - 1 - start) != nullptr)
      return "word " + Num(id) + " of the vocabulary is not one NUL-ended string";
  }
  if (std::string_view(text, offsets[1] - 1) != "<unk>")
    return "word 0 of the vocabulary is not <unk>";
  return "";
}

std::string CheckLevel(const ModelFileHeader &h, uint32_t k,
                       const void *const *level, const void *const *above) {
  const uint64_t count = h.counts[k];
  const std::string name = "level " + Num(k + 1);
  if (k + 1 < h.order) {
    const uint32_t *next = static_cast<const uint32_t *>(level[kLevelNext]);
    if (next[0] != 0 || next[count] != h.counts[k + 1])
      return "the successor ranges of " + name + " do not cover level " + Num(k + 2);
    const uint32_t *words = static_cast<const uint32_t *>(above[kLevelWords]);
    for (uint64_t i = 0; i < count; ++i) {
      if (next[i] > next[i + 1])
        return "the successor ranges of " + name + " go backwards at entry " + Num(i);
      if (next[i + 1] > h.counts[k + 1])
        return "the successor ranges of " + name + " go beyond level " + Num(k + 2);
      // Within a group the ids ascend strictly; the last is in range.
      for (uint32_t j = next[i] + 1; j < next[i + 1]; ++j)
        if (words[j - 1] >= words[j])
          return "the words of level " + Num(k + 2) + " are not sorted in group " + Num(i);
      if (next[i] < next[i + 1] && words[next[i + 1] - 1] > h.vocab_size)
        return "level " + Num(k + 2) + " holds a word id beyond the vocabulary";
    }
  }
  return "";
}

}  // namespace

std::string CheckHeader(const void *image, uint64_t size) {
  ModelFileHeader h;
  if (size < sizeof kMagic || memcmp(image, kMagic, sizeof kMagic) != 0)
    return "not a lexkit binary model";
  if (size < sizeof h)
    return "truncated: " + Num(size) + " bytes, shorter than the header";
  memcpy(&h, image, sizeof h);
  if (h.version != kFormatVersion)
    return "format version " + Num(h.version) + "; this library reads version " +
           Num(kFormatVersion);
  if (h.byte_order != kByteOrderMark)
    return h.byte_order == __builtin_bswap32(kByteOrderMark)
               ? "written on a machine of the other byte order"
               : "corrupt header (byte order mark)";
  ModelFileHeader expected;
  if ((h.flags & ~kFlagClosedVocabulary) != 0 || h.order < 1 || h.order > kMaxOrder ||
      !MakeHeader(h.order, h.vocab_size, h.counts, h.sections[kVocabText].size,
                  h.sections[kMethodText].size, h.flags, &expected) ||
      memcmp(&h, &expected, sizeof h) != 0)
    return "corrupt header";
  if (size < h.file_size)
    return "truncated: " + Num(size) + " of " + Num(h.file_size) + " bytes";
  if (size > h.file_size)
    return "corrupt: " + Num(size - h.file_size) + " bytes after the model's end";
  return "";
}

std::string CheckSections(const ModelFileHeader &h, const void *const sections[kNumSections]) {
  std::string problem =
      CheckVocabulary(h, static_cast<const char *>(sections[kVocabText]),
                      static_cast<const uint64_t *>(sections[kVocabOffsets]));
  // The method text is informative "name value" lines, never read as a C
  // string (the model builder writes it without a NUL): nothing to check.
  for (uint32_t k = 0; problem.empty() && k < h.order; ++k) {
    const void *const *level = sections + kFirstLevelSection + k * kSectionsPerLevel;
    problem = CheckLevel(h, k, level, level + kSectionsPerLevel);
  }
  return problem;
}

}  // namespace model
}  // namespace lexkit
