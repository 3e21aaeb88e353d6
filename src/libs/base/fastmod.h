// Exact remainder of a 32-bit value by a fixed 32-bit divisor with a
// multiplication instead of a division (Lemire, Kaser and Kurz, 2019), and
// of a wider value by Barrett reduction.
#ifndef LEXKIT_FASTMOD_H
#define LEXKIT_FASTMOD_H

#include <cstdint>

namespace lexkit {

class FastMod {
 public:
  explicit FastMod(uint32_t divisor)
      : divisor_(divisor),
        magic_(UINT64_C(0xFFFFFFFFFFFFFFFF) / divisor + 1),
        wide_magic_(UINT64_C(0xFFFFFFFFFFFFFFFF) / divisor) {}

  uint32_t Mod(uint32_t value) const {
    uint64_t low = magic_ * value;
    return static_cast<uint32_t>(
        (static_cast<unsigned __int128>(low) * divisor_) >> 64);
  }

  // The remainder of a value below 2^60. The quotient estimate
  // floor(value * floor((2^64 - 1) / divisor) / 2^64) falls short of
  // value / divisor by less than value / 2^64 + value / (divisor * 2^64),
  // less than 1/8: it is the true quotient or one less, and one
  // subtraction corrects the remainder.
  uint32_t ModWide(uint64_t value) const {
    const uint64_t quotient =
        static_cast<uint64_t>((static_cast<unsigned __int128>(value) * wide_magic_) >> 64);
    const uint64_t rest = value - quotient * divisor_;
    return static_cast<uint32_t>(rest >= divisor_ ? rest - divisor_ : rest);
  }

  uint32_t divisor() const { return divisor_; }

 private:
  uint32_t divisor_;
  uint64_t magic_;
  uint64_t wide_magic_;
};

}  // namespace lexkit

#endif  // LEXKIT_FASTMOD_H
