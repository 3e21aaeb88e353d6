// Binary id n-gram records in tests: building and parsing the big-endian
// layout of temporary and id n-gram files.
#ifndef LEXKIT_TESTS_IDNGRAM_FILES_H
#define LEXKIT_TESTS_IDNGRAM_FILES_H

#include <cstdint>
#include <string>
#include <vector>

#include "libs/base/coding.h"

namespace lexkit_test {

struct Record {
  std::vector<uint32_t> ids;
  int32_t count;
  bool operator==(const Record &o) const { return ids == o.ids && count == o.count; }
};

inline std::string Encode(const std::vector<Record> &records) {
  std::string bytes;
  for (const Record &r : records) {
    for (uint32_t id : r.ids) lexkit::PutFixed32(&bytes, id);
    lexkit::PutFixed32(&bytes, static_cast<uint32_t>(r.count));
  }
  return bytes;
}

inline std::vector<Record> Decode(const std::string &bytes, size_t n) {
  std::vector<Record> records;
  auto word = [&](size_t at) { return lexkit::DecodeFixed32(bytes.data() + at); };
  for (size_t at = 0; at + 4 * (n + 1) <= bytes.size(); at += 4 * (n + 1)) {
    Record r;
    for (size_t i = 0; i < n; ++i) r.ids.push_back(word(at + 4 * i));
    r.count = static_cast<int32_t>(word(at + 4 * n));
    records.push_back(r);
  }
  return records;
}

}  // namespace lexkit_test

#endif  // LEXKIT_TESTS_IDNGRAM_FILES_H
