#include "mpi/job_text.h"

#include <sys/stat.h>

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

ByteRange JobText::Part(const Job &job) const {
  return WordAlignedPart(fd(), size_, job.rank(), job.size());
}

}  // namespace lexkit::mpi
