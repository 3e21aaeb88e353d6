#include "liblmest/model/binary_model.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "liblmest/model/binary_writer.h"
#include "liblmest/model/loaded_model_source.h"
#include "liblmest/model/model_check.h"
#include "libs/io/output_target.h"

namespace lexkit {
namespace model {

using namespace model_file;

namespace {

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) close(fd);
  }
};

std::string SystemError(const char *what) { return std::string(what) + ": " + strerror(errno); }

// The whole file in one block aligned as the sections are in the file;
// null with the reason on failure.
std::shared_ptr<const void> ReadWhole(int fd, uint64_t *size, std::string *error) {
  const uint64_t lines = (*size + kSectionAlignment - 1) / kSectionAlignment;
  std::shared_ptr<void> image(aligned_alloc(kSectionAlignment, lines * kSectionAlignment), free);
  if (image == nullptr) {
    *error = "not enough memory for " + std::to_string(*size) + " bytes";
    return nullptr;
  }
  uint64_t got = 0;
  while (got < *size) {
    const ssize_t n = read(fd, static_cast<char *>(image.get()) + got, *size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = SystemError("cannot read");
      return nullptr;
    }
    if (n == 0) break;  // the file shrank since fstat
    got += static_cast<uint64_t>(n);
  }
  *size = got;
  return image;
}

// The file's bytes, mapped (page-aligned) or read as `access` asks; a file that cannot be mapped is read.
// Null with the reason on failure.
std::shared_ptr<const void> LoadImage(const char *path, ImageAccess access, uint64_t *size,
                                      std::string *error) {
  FdCloser file{open(path, O_RDONLY | O_CLOEXEC)};
  struct stat st;
  if (file.fd < 0 || fstat(file.fd, &st) != 0) {
    *error = SystemError("cannot open");
    return nullptr;
  }
  if (S_ISDIR(st.st_mode)) {
    *error = "is a directory";
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    *error = "is not a regular file";
    return nullptr;
  }
  if (st.st_size == 0) {
    *error = "is empty";
    return nullptr;
  }
  *size = static_cast<uint64_t>(st.st_size);
  if (access == ImageAccess::kMap && *size == static_cast<size_t>(*size)) {
    void *mapped = mmap(nullptr, *size, PROT_READ, MAP_PRIVATE, file.fd, 0);
    if (mapped != MAP_FAILED)
      return std::shared_ptr<const void>(
          mapped, [bytes = *size](const void *p) { munmap(const_cast<void *>(p), bytes); });
  }
  return ReadWhole(file.fd, size, error);
}

}  // namespace

std::unique_ptr<Model> LoadBinary(const char *path, std::string *error, ImageAccess access) {
  uint64_t size = 0;
  std::shared_ptr<const void> image = LoadImage(path, access, &size, error);
  if (image == nullptr) return nullptr;
  *error = CheckHeader(image.get(), size);
  if (!error->empty()) return nullptr;
  ModelFileHeader header;
  memcpy(&header, image.get(), sizeof header);
  const void *sections[kNumSections] = {};
  for (uint32_t s = 0; s < kNumSections; ++s)
    if (header.sections[s].size > 0)
      sections[s] = static_cast<const char *>(image.get()) + header.sections[s].offset;
  *error = CheckSections(header, sections);
  if (!error->empty()) return nullptr;
  return Model::Create(header, sections, std::move(image));
}

bool SaveBinary(const Model &model, const char *path, std::string *error) {
  OutputTarget target;
  std::string reason;
  if (!target.Open(path, OutputTarget::Cleanup::kOnDestruction, &reason)) {
    *error = "cannot create: " + reason;
    return false;
  }
  FILE *fp = fopen(target.write_path().c_str(), "wb");
  if (fp == nullptr) {
    *error = SystemError("cannot create");
    return false;
  }
  bool ok = WriteBinaryModel(LoadedModelSource(model), fp, path,
                             ModelFileWriter::OnError::kReport);
  if (!ok) *error = SystemError("cannot write");
  if (fclose(fp) != 0 && ok) {
    *error = SystemError("cannot write");
    ok = false;
  }
  if (ok && !target.Commit(&reason)) {
    *error = "cannot put the written file in its place: " + reason;
    ok = false;
  }
  return ok;
}

}  // namespace model
}  // namespace lexkit
