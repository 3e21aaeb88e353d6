// Reads the next record of an id n-gram file, binary or ASCII.
//
// The reader runs once per record over files of hundreds of millions of
// records, so both forms avoid the per-field library calls of the obvious
// version while keeping its exact results:
//  - binary: a record is read with one fread instead of an end test and a
//    checked read per field; a stream that ends between fields gives 0
//    silently, and one that ends inside a field stops the process with the
//    checked reader's message for that field;
//  - ASCII: each integer is scanned by hand with the conversion rules of
//    fscanf("%d"), including the value stored for out-of-range digits.
#include <stdio.h>

#include <algorithm>
#include <cstdint>

#include "lexkit/general.h"
#include "lexkit/ngram.h"
#include "libs/base/coding.h"
#include "libs/io/word_scan.h"

namespace {

const char kShortRead[] =
    "ox_fread: problems reading %s.  Only %d of %d elements were read\n";

// The stream ended `got` bytes into a record of `n` ids and a count. Ending
// between two fields is the normal end of the file; ending inside a field is
// a short read of that field.
int EndInsideRecord(size_t got, unsigned n) {
  if (got % 4 != 0)
    quit(-1, kShortRead,
         got / 4 < n ? "from id_ngram file" : "count from id_ngram file", 0, 1);
  return 0;
}

// Fields of a record read with one fread; longer records take several.
const unsigned kFieldsPerRead = 16;

int ReadBinary(FILE *fp, ngram *ng) {
  const unsigned n = ng->n;
  const unsigned fields = n + 1;  // the ids, then the count
  char buffer[4 * kFieldsPerRead];
  for (unsigned done = 0; done < fields;) {
    const unsigned chunk = std::min(fields - done, kFieldsPerRead);
    const size_t got = fread_unlocked(buffer, 1, 4 * size_t{chunk}, fp);
    // Every field read whole is kept, also when the record is cut short; the
    // count, being last, only ever with the whole record.
    for (unsigned i = 0; i < got / 4; ++i) {
      const uint32_t value = lexkit::DecodeFixed32(buffer + 4 * i);
      if (done + i < n)
        ng->id_array[done + i] = value;
      else
        ng->count = static_cast<count_t>(value);
    }
    if (got < 4 * size_t{chunk}) return EndInsideRecord(4 * size_t{done} + got, n);
    done += chunk;
  }
  return 1;
}

// One fscanf("%d") conversion: skips white space, takes an optional sign and
// the decimal digits after it. Digits beyond the range of a long saturate
// and the long is then narrowed to 32 bits, as the C library does. Returns
// false when no digits follow.
bool ScanInt(FILE *fp, int32_t *value) {
  int c;
  do c = getc_unlocked(fp);
  while (c != EOF && lexkit::IsCSpace(static_cast<unsigned char>(c)));
  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = getc_unlocked(fp);
  }
  if (c < '0' || c > '9') {
    if (c != EOF) ungetc(c, fp);
    return false;
  }
  // The magnitude, saturated just above what a long can hold.
  const uint64_t limit = uint64_t{INT64_MAX} + 1;
  uint64_t magnitude = 0;
  do {
    const unsigned digit = static_cast<unsigned>(c - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    c = getc_unlocked(fp);
  } while (c >= '0' && c <= '9');
  if (c != EOF) ungetc(c, fp);

  int64_t as_long;
  if (negative)
    as_long = magnitude >= limit ? INT64_MIN : -static_cast<int64_t>(magnitude);
  else
    as_long = magnitude >= limit ? INT64_MAX : static_cast<int64_t>(magnitude);
  *value = static_cast<int32_t>(static_cast<uint32_t>(as_long));
  return true;
}

int ReadAscii(FILE *fp, ngram *ng) {
  for (unsigned i = 0; i < ng->n; ++i) {
    int32_t id;
    if (!ScanInt(fp, &id)) {
      if (ox_feof(fp)) return 0;
      quit(-1, "Error reading from id_ngram file.\n");
    }
    ng->id_array[i] = static_cast<id__t>(id);
  }
  int32_t count;
  if (!ScanInt(fp, &count)) {
    if (ox_feof(fp)) return 0;
    quit(-1, "Error reading from id_ngram file.2\n");
  }
  ng->count = count;
  return 1;
}

}  // namespace

extern "C" int get_ngram(FILE *id_ngram_fp, ngram *ng, flag ascii) {
  return ascii ? ReadAscii(id_ngram_fp, ng) : ReadBinary(id_ngram_fp, ng);
}
