#include "fuzz_support.h"

#include <dirent.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "libs/base/fuzz_hooks.h"
#include "libs/base/key_arena.h"

// The library's own stream opens and closes are routed through these
// (linked with --wrap), so that streams left open by a quit can be closed.
extern "C" {
FILE *__real_fopen(const char *path, const char *mode);
int __real_fclose(FILE *fp);
FILE *__real_popen(const char *command, const char *mode);
int __real_pclose(FILE *fp);
}

namespace {

struct QuitCalled {
  int rc;
};

[[noreturn]] void ThrowQuit(int rc) { throw QuitCalled{rc}; }

struct OpenStreams {
  std::set<FILE *> files;
  std::set<FILE *> pipes;
};

OpenStreams &Streams() {
  static OpenStreams streams;
  return streams;
}

std::set<int> OpenDescriptors() {
  std::set<int> fds;
  if (DIR *dir = opendir("/proc/self/fd")) {
    while (const dirent *entry = readdir(dir))
      if (entry->d_name[0] != '.') fds.insert(atoi(entry->d_name));
    closedir(dir);
  }
  return fds;
}

void CloseStreamsLeftOpen() {
  OpenStreams &streams = Streams();
  for (FILE *fp : streams.files) __real_fclose(fp);
  for (FILE *fp : streams.pipes) __real_pclose(fp);
  streams.files.clear();
  streams.pipes.clear();
}

}  // namespace

extern "C" {
FILE *__wrap_fopen(const char *path, const char *mode) {
  FILE *fp = __real_fopen(path, mode);
  if (fp != nullptr) Streams().files.insert(fp);
  return fp;
}
int __wrap_fclose(FILE *fp) {
  Streams().files.erase(fp);
  return __real_fclose(fp);
}
FILE *__wrap_popen(const char *command, const char *mode) {
  FILE *fp = __real_popen(command, mode);
  if (fp != nullptr) Streams().pipes.insert(fp);
  return fp;
}
int __wrap_pclose(FILE *fp) {
  Streams().pipes.erase(fp);
  return __real_pclose(fp);
}
}

namespace lexkit_fuzz {

bool Guarded(const std::function<void()> &body) {
  lexkit::quit_hook = ThrowQuit;
  const std::set<int> before = OpenDescriptors();
  bool returned = true;
  try {
    body();
  } catch (const QuitCalled &) {
    returned = false;
  }
  fflush(stdout);
  if (returned && (!Streams().files.empty() || !Streams().pipes.empty())) {
    fprintf(stderr, "a library call returned with a stream still open\n");
    abort();
  }
  CloseStreamsLeftOpen();
  for (int fd : OpenDescriptors())
    if (before.count(fd) == 0) close(fd);
  return returned;
}

// The name lives in static storage so that the clean-up at exit, which runs
// after static objects are destroyed, can still use it.
char g_scratch[64];

void RemoveScratch() {
  ClearScratch();
  rmdir(g_scratch);
}

const std::string &ScratchDir() {
  static const std::string dir = [] {
    snprintf(g_scratch, sizeof g_scratch, "%s/lexkit_fuzz.XXXXXX",
             access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    if (mkdtemp(g_scratch) == nullptr) abort();
    atexit(RemoveScratch);
    return std::string(g_scratch);
  }();
  return dir;
}

std::string WriteScratch(const std::string &name, const uint8_t *data, size_t size) {
  const std::string path = ScratchDir() + "/" + name;
  FILE *fp = __real_fopen(path.c_str(), "wb");
  if (fp == nullptr) abort();
  if (size > 0 && fwrite(data, 1, size, fp) != size) abort();
  __real_fclose(fp);
  return path;
}

void ClearScratch() {
  if (g_scratch[0] == '\0') return;
  if (DIR *dir = opendir(g_scratch)) {
    std::vector<std::string> names;
    while (const dirent *entry = readdir(dir))
      if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
        names.emplace_back(entry->d_name);
    closedir(dir);
    for (const std::string &name : names)
      unlink((std::string(g_scratch) + "/" + name).c_str());
  }
}

File ReadStream(const uint8_t *data, size_t size) {
  // fmemopen refuses an empty buffer; an empty stream reads nothing anyway.
  static const char kEmpty[1] = {0};
  FILE *fp = size > 0 ? fmemopen(const_cast<uint8_t *>(data), size, "r")
                      : fmemopen(const_cast<char *>(kEmpty), 1, "r");
  if (fp == nullptr) abort();
  if (size == 0) fgetc(fp);  // now at its end
  return File(fp);
}

void ReleaseTables() {
  lexkit::KeyArena().Reset();
  lexkit::ResetNodeArena();
}

uint8_t TakeByte(const uint8_t **data, size_t *size) {
  if (*size == 0) return 0;
  const uint8_t byte = **data;
  ++*data;
  --*size;
  return byte;
}

std::vector<std::string> SplitPieces(const uint8_t *data, size_t size,
                                     size_t max_pieces) {
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < size; ++i) {
    if (pieces.size() < max_pieces && i + 1 < size && data[i] == 0xFF &&
        data[i + 1] == 0xFE) {
      pieces.emplace_back();
      ++i;
      continue;
    }
    pieces.back().push_back(static_cast<char>(data[i]));
  }
  return pieces;
}

int WriteNumberedPieces(const uint8_t *data, size_t size, size_t max_pieces,
                        const std::string &ext) {
  const std::vector<std::string> pieces = SplitPieces(data, size, max_pieces);
  for (size_t i = 0; i < pieces.size(); ++i)
    WriteScratch(std::to_string(i + 1) + ext,
                 reinterpret_cast<const uint8_t *>(pieces[i].data()), pieces[i].size());
  return static_cast<int>(pieces.size());
}

}  // namespace lexkit_fuzz
