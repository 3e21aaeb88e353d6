#include "mpi/job_text.h"

#include <limits.h>
#include <sys/stat.h>

#include <algorithm>

#include <string>

#include "lexkit/general.h"
#include "libs/io/shell_quote.h"

namespace lexkit::mpi {

JobText::JobText(const Job &job, const char *path) {
  const std::string name = path;
  if (name == "-" || EndsWith(name, ".gz") || EndsWith(name, ".Z"))
    quit(-1, "%s : Error : the text '%s' cannot be split between ranks: give a plain file.\n",
         job.program(), path);
  fp_ = ox_fopen(path, "rb");
  struct stat info;
  if (fstat(fileno(fp_), &info) != 0 || !S_ISREG(info.st_mode))
    quit(-1, "%s : Error : the text '%s' cannot be split between ranks: give a plain file.\n",
         job.program(), path);
  size_ = static_cast<uint64_t>(info.st_size);
}

JobText::~JobText() { fclose(fp_); }

int JobText::fd() const { return fileno(fp_); }

int ChunkCount(uint64_t size, int ranks) {
  constexpr uint64_t kChunkBytes = uint64_t{4} << 20;
  constexpr uint64_t kMost = INT_MAX / 2;
  const uint64_t by_size = (size + kChunkBytes - 1) / kChunkBytes;
  const uint64_t by_ranks = uint64_t{8} * static_cast<uint64_t>(ranks);
  return static_cast<int>(std::min(kMost, std::max(by_size, by_ranks)));
}

ByteRange JobText::Chunk(int chunk, int chunks) const {
  return WordAlignedPart(fd(), size_, chunk, chunks);
}

}  // namespace lexkit::mpi
