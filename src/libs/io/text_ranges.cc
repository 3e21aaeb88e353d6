#include "libs/io/text_ranges.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "lexkit/general.h"
#include "libs/io/word_scan.h"

namespace lexkit {

namespace {

constexpr size_t kRangeBuffer = size_t{256} << 10;

// pread of up to `len` bytes at `offset`: the bytes read, 0 at the end.
size_t ReadAt(int fd, char *buffer, size_t len, uint64_t offset) {
  for (;;) {
    const ssize_t got = pread(fd, buffer, len, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) quit(-1, "text_ranges: read error in the text: %s\n", strerror(errno));
  }
}

// Single bytes of the file through one cached block, for the scans to the
// nearest run boundary, which go forward or backward from a point.
class ByteCache {
 public:
  ByteCache(int fd, uint64_t size) : fd_(fd), size_(size), block_(kBlock) {}

  // The byte at `pos`, below the size of the file.
  unsigned char At(uint64_t pos) {
    if (pos < start_ || pos >= start_ + filled_) {
      start_ = pos / kBlock * kBlock;
      filled_ = ReadAt(fd_, block_.data(), kBlock, start_);
      if (pos >= start_ + filled_)
        quit(-1, "text_ranges: the text ended before its size of %llu bytes\n",
             static_cast<unsigned long long>(size_));
    }
    return static_cast<unsigned char>(block_[pos - start_]);
  }
  bool SpaceAt(uint64_t pos) { return IsCSpace(At(pos)); }

 private:
  static constexpr size_t kBlock = 1 << 16;
  int fd_;
  uint64_t size_;
  std::vector<char> block_;
  uint64_t start_ = 0;
  size_t filled_ = 0;
};

// The first run boundary at or after `pos`.
uint64_t BoundaryFrom(ByteCache &bytes, uint64_t size, uint64_t pos) {
  if (pos == 0 || pos >= size) return pos == 0 ? 0 : size;
  if (bytes.SpaceAt(pos - 1)) return pos;
  while (pos < size && !bytes.SpaceAt(pos)) ++pos;  // the run goes on
  return pos < size ? pos + 1 : size;
}

struct RangeCookie {
  int fd;
  uint64_t pos;
  uint64_t end;
  std::vector<char> buffer;  // the stream's, freed with it
};

ssize_t ReadRange(void *cookie, char *buffer, size_t len) {
  RangeCookie &range = *static_cast<RangeCookie *>(cookie);
  if (len > range.end - range.pos) len = static_cast<size_t>(range.end - range.pos);
  if (len == 0) return 0;
  const ssize_t got = pread(range.fd, buffer, len, static_cast<off_t>(range.pos));
  if (got > 0) range.pos += static_cast<uint64_t>(got);
  return got;
}

int CloseRange(void *cookie) {
  std::unique_ptr<RangeCookie> owned(static_cast<RangeCookie *>(cookie));
  return 0;
}

}  // namespace

ByteRange WordAlignedPart(int fd, uint64_t size, int part, int parts) {
  ByteCache bytes(fd, size);
  auto nominal = [&](int k) {
    return static_cast<uint64_t>(static_cast<unsigned __int128>(size) *
                                 static_cast<unsigned>(k) / static_cast<unsigned>(parts));
  };
  return {BoundaryFrom(bytes, size, nominal(part)), BoundaryFrom(bytes, size, nominal(part + 1))};
}

uint64_t StartOfPrecedingWords(int fd, uint64_t pos, uint64_t words, size_t max_len) {
  ByteCache bytes(fd, pos);
  while (words > 0) {
    while (pos > 0 && bytes.SpaceAt(pos - 1)) --pos;
    if (pos == 0) return 0;
    const uint64_t run_end = pos;
    while (pos > 0 && !bytes.SpaceAt(pos - 1)) --pos;
    // The run [pos, run_end) is read as ceil(length / max_len) pieces.
    const uint64_t pieces = (run_end - pos + max_len - 1) / max_len;
    if (pieces >= words) return pos + (pieces - words) * max_len;
    words -= pieces;
  }
  return pos;
}

FILE *OpenByteRange(int fd, ByteRange range) {
  auto cookie = std::make_unique<RangeCookie>(
      RangeCookie{fd, range.begin, range.end, std::vector<char>(kRangeBuffer)});
  cookie_io_functions_t functions{ReadRange, nullptr, nullptr, CloseRange};
  FILE *fp = fopencookie(cookie.get(), "r", functions);
  if (fp == nullptr) quit(-1, "text_ranges: could not open a stream: %s\n", strerror(errno));
  // A stream of this kind reads all through its buffer, whatever the size
  // asked for: the default 8 KB would take a pread for every 8 KB.
  setvbuf(fp, cookie->buffer.data(), _IOFBF, kRangeBuffer);
  cookie.release();  // closed with the stream
  return fp;
}

}  // namespace lexkit
