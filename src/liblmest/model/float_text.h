// Floats as their shortest decimal text that reads back as the same value
// (std::to_chars), for writers of millions of numbers drawn from a few
// thousand values: the log10 probabilities and back-off weights of a model
// repeat a lot. A direct-mapped memo keyed by the float's bits keeps the
// text of recent values, so most numbers cost one lookup and one 16-byte
// copy instead of a conversion. The text is the same either way.
#ifndef LEXKIT_LIBLMEST_MODEL_FLOAT_TEXT_H
#define LEXKIT_LIBLMEST_MODEL_FLOAT_TEXT_H

#include <stdint.h>
#include <string.h>

#include <charconv>
#include <vector>

namespace lexkit {

class FloatText {
 public:
  // Room that Put needs at `out`: the longest text (a sign, nine digits, a
  // point and a three-character exponent make 15) and the 16-byte copy.
  static constexpr size_t kRoom = 32;

  FloatText() : memo_(kEntries) {}

  // Writes the text of v at `out` and returns its end.
  char *Put(float v, char *out) {
    uint32_t bits;
    memcpy(&bits, &v, sizeof bits);
    // Fibonacci hashing: the high bits of the product mix every bit of v.
    Entry &e = memo_[(bits * UINT32_C(0x9E3779B1)) >> (32 - kEntryBits)];
    if (e.length == 0 || e.bits != bits) {
      char *end = std::to_chars(out, out + kRoom, v).ptr;
      const auto length = static_cast<size_t>(end - out);
      if (length > sizeof e.text) return end;  // not memoised
      e.bits = bits;
      e.length = static_cast<uint8_t>(length);
      memcpy(e.text, out, length);
      return end;
    }
    memcpy(out, e.text, sizeof e.text);  // the whole entry: a fixed-size move
    return out + e.length;
  }

 private:
  static constexpr int kEntryBits = 14;
  static constexpr size_t kEntries = size_t{1} << kEntryBits;

  struct Entry {
    uint32_t bits = 0;
    uint8_t length = 0;  // 0: empty (no text is empty)
    char text[16];
  };

  std::vector<Entry> memo_;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_FLOAT_TEXT_H
