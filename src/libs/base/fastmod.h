// Exact remainder of a 32-bit value by a fixed 32-bit divisor with a
// multiplication instead of a division (Lemire, Kaser and Kurz, 2019).
#ifndef LEXKIT_FASTMOD_H
#define LEXKIT_FASTMOD_H

#include <cstdint>

namespace lexkit {

class FastMod {
 public:
  explicit FastMod(uint32_t divisor)
      : divisor_(divisor), magic_(UINT64_C(0xFFFFFFFFFFFFFFFF) / divisor + 1) {}

  uint32_t Mod(uint32_t value) const {
    uint64_t low = magic_ * value;
    return static_cast<uint32_t>(
        (static_cast<unsigned __int128>(low) * divisor_) >> 64);
  }

  uint32_t divisor() const { return divisor_; }

 private:
  uint32_t divisor_;
  uint64_t magic_;
};

}  // namespace lexkit

#endif  // LEXKIT_FASTMOD_H
