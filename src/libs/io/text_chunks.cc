#include "libs/io/text_chunks.h"

#include <string.h>

#include "libs/io/word_scan.h"

namespace lexkit {

TextChunks::TextChunks(FILE *fp, size_t max_len, size_t chunk_size)
    : BlockInput(fp, chunk_size, max_len), max_len_(max_len) {}

const char *TextChunks::Cut() const {
  // The window starts a run (or a piece of one) or white space. Its last
  // run, of bytes that may go on in the stream, starts after the last
  // white-space byte, or with the window itself.
  const char *run = end_;
  while (run != pos_ && !IsCSpace(static_cast<unsigned char>(run[-1]))) --run;
  const size_t whole_pieces = static_cast<size_t>(end_ - run) / max_len_ * max_len_;
  return run + whole_pieces;
}

bool TextChunks::Next(TextChunk *chunk) {
  // Bytes left from the last chunk are less than one piece of one word:
  // they move to the front of the next block (at most max_len_ - 1 bytes).
  const char *cut = pos_;
  while (!ended() && (cut = Cut()) == pos_) Refill(pos_);
  if (ended()) cut = end_;  // the stream's last bytes, whatever they are
  if (cut == pos_) return false;
  const size_t size = static_cast<size_t>(cut - pos_);
  chunk->bytes.resize(size + kScanPadding);
  memcpy(chunk->bytes.data(), pos_, size);
  memset(chunk->bytes.data() + size, 0, kScanPadding);
  chunk->size = size;
  chunk->has_nul = memchr(pos_, '\0', size) != nullptr;
  pos_ = cut;
  return true;
}

}  // namespace lexkit
