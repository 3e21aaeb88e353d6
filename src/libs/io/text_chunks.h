// A text stream read as a series of chunks that never cut a word: each
// chunk ends after a white-space byte, at the end of the stream, or inside
// a run of non-space bytes at a multiple of `max_len` bytes from the run's
// start, where fscanf("%<max_len>s") ends a piece anyway. The words of the
// chunks, each read on its own with ForEachWord (word_scan.h), are then
// exactly the words of the whole stream as WordReader gives them, so that
// chunks can be read in any order or by different threads.
//
// A chunk is copied out of the stream's block into memory of its own, with
// kScanPadding zero bytes after it. The reader consumes its stream ahead of
// the chunks it has returned, so the stream belongs to it until the end.
#ifndef LEXKIT_TEXT_CHUNKS_H
#define LEXKIT_TEXT_CHUNKS_H

#include <stdio.h>

#include <cstddef>
#include <vector>

#include "libs/io/block_input.h"

namespace lexkit {

struct TextChunk {
  std::vector<char> bytes;  // size() bytes of text, then the padding
  size_t size = 0;
  bool has_nul = false;  // a NUL byte among them

  const char *begin() const { return bytes.data(); }
  const char *end() const { return bytes.data() + size; }
};

class TextChunks : public BlockInput {
 public:
  // Chunks of about `chunk_size` bytes (a short read may give less).
  TextChunks(FILE *fp, size_t max_len, size_t chunk_size = 1 << 20);

  // The next chunk; false when the stream has no byte left, at its end or
  // after a read error (see failed()). A read error ends the stream where
  // it happened: the bytes read before it come as a last chunk.
  bool Next(TextChunk *chunk);

  // Reads the chunks of `fp` from here on, as a new stream.
  void Restart(FILE *fp) { BlockInput::Restart(fp); }

 private:
  // Where the window [pos_, end_) may be cut without cutting a word, or
  // pos_ when it holds less than one piece of one word.
  const char *Cut() const;

  size_t max_len_;
};

}  // namespace lexkit

#endif  // LEXKIT_TEXT_CHUNKS_H
