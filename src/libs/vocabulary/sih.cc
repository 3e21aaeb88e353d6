// The string-to-id table of the estimator's vocabulary: open addressing with
// linear probing over the public slot array, which grows as keys are added.
//
// Callers may build a table by hand (any nslots >= 1 of zero-filled slots
// from calloc, nentries 0, settings of 0 for the defaults), so every
// operation works from the public fields alone; slot arrays are always
// malloc-compatible and released with free when the table grows.
//
// Choices: a slot is empty when its intval is not positive, so a key can
// only be stored with a positive id (sih_add refuses any other). Adding a
// key that is present keeps the first key string and takes the new value,
// warning on stderr when warn_on_update is set and the value changes.
//
// Saved tables, all numbers most significant byte first:
//   8 bytes  magic "LXSIHTBL"
//   4 bytes  version (1)
//   8 bytes  number of entries
//   per entry, in ascending id order:
//     4 bytes  key length L (at most kMaxKeyBytes, no NUL byte in the key)
//     L bytes  key
//     8 bytes  id (positive)
// and nothing after the last entry.
#include "lexkit/sih.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "libs/base/coding.h"
#include "libs/base/hash.h"
#include "libs/base/key_arena.h"

namespace {

const double kDefaultOccupancy = 0.5;
const double kDefaultGrowth = 2.0;
const double kMaxGrowth = 16.0;
const vocab_sz_t kDefaultSlots = 64;

const char kMagic[8] = {'L', 'X', 'S', 'I', 'H', 'T', 'B', 'L'};
const uint32_t kVersion = 1;
const uint32_t kMaxKeyBytes = 1 << 20;
// The smallest entry on disk: length, one byte of key, id.
const int64_t kMinEntryBytes = 4 + 1 + 8;

uint64_t HashKey(const char *key) { return lexkit::HashBytes(key, strlen(key)); }

// The home slot of a hash among `nslots`, by multiplication instead of a
// division: the high half of hash * nslots lies in [0, nslots).
uint64_t HomeSlot(uint64_t hash, vocab_sz_t nslots) {
  return static_cast<uint64_t>(
      (static_cast<unsigned __int128>(hash) * static_cast<uint64_t>(nslots)) >> 64);
}

double Occupancy(const sih_t *ht) {
  double o = ht->max_occupancy;
  return (o > 0 && o <= 1) ? o : kDefaultOccupancy;
}

double Growth(const sih_t *ht) {
  double g = ht->growth_ratio;
  if (!(g > 1)) return kDefaultGrowth;
  return std::min(g, kMaxGrowth);
}

bool Usable(const sih_t *ht) { return ht->nslots >= 1 && ht->slots != nullptr; }

// The slot holding `key`, or the empty slot where it would go. A table
// always keeps at least one empty slot, so the probe ends.
sih_slot_t *Probe(sih_slot_t *slots, vocab_sz_t nslots, const char *key,
                  uint64_t hash) {
  uint64_t i = HomeSlot(hash, nslots);
  const uint64_t n = static_cast<uint64_t>(nslots);
  for (;;) {
    sih_slot_t *slot = &slots[i];
    if (slot->intval <= 0 || strcmp(slot->string, key) == 0) return slot;
    if (++i == n) i = 0;
  }
}

// True when `entries` keys fit in `nslots` slots under the table's settings.
bool Fits(const sih_t *ht, vocab_sz_t entries, vocab_sz_t nslots) {
  return entries < nslots &&
         static_cast<double>(entries) <= Occupancy(ht) * static_cast<double>(nslots);
}

// Moves every key into a fresh array of `nslots` slots.
void Rehash(sih_t *ht, vocab_sz_t nslots) {
  sih_slot_t *fresh = reinterpret_cast<sih_slot_t *>(
      ox_calloc(static_cast<size_t>(nslots), sizeof(sih_slot_t)));
  if (Usable(ht)) {
    for (vocab_sz_t i = 0; i < ht->nslots; ++i) {
      const sih_slot_t &old = ht->slots[i];
      if (old.intval > 0) *Probe(fresh, nslots, old.string, HashKey(old.string)) = old;
    }
  }
  free(ht->slots);
  ht->slots = fresh;
  ht->nslots = nslots;
}

// Makes room for `entries` keys.
void Reserve(sih_t *ht, vocab_sz_t entries) {
  vocab_sz_t nslots = Usable(ht) ? ht->nslots : 0;
  if (nslots > 0 && Fits(ht, entries, nslots)) return;
  if (nslots == 0) nslots = 1;
  while (!Fits(ht, entries, nslots)) {
    double grown = std::ceil(static_cast<double>(nslots) * Growth(ht));
    nslots = std::max(nslots + 1, static_cast<vocab_sz_t>(grown));
  }
  Rehash(ht, nslots);
}

// Adds a key or updates its value. With `present` given, a key that is
// already there is left as it is and reported through it instead.
void Insert(sih_t *ht, char *string, vocab_sz_t intval, bool *present = nullptr) {
  if (intval <= 0)
    quit(-1, "sih_add: cannot store '%s' with the id %lld; ids must be positive\n",
         string, static_cast<long long>(intval));
  uint64_t hash = HashKey(string);
  if (Usable(ht)) {
    sih_slot_t *slot = Probe(ht->slots, ht->nslots, string, hash);
    if (slot->intval > 0) {
      if (present != nullptr) {
        *present = true;
        return;
      }
      if (ht->warn_on_update && slot->intval != intval)
        fprintf(stderr, "sih_add: warning: the id of '%s' changes from %lld to %lld\n",
                string, static_cast<long long>(slot->intval),
                static_cast<long long>(intval));
      slot->intval = intval;
      return;
    }
  }
  Reserve(ht, ht->nentries + 1);
  sih_slot_t *slot = Probe(ht->slots, ht->nslots, string, hash);
  slot->string = string;
  slot->intval = intval;
  ++ht->nentries;
}

// Reads a saved table, ending the process with a message naming the file at
// the first thing that is not as written by sih_val_write_to_file.
class TableReader {
 public:
  TableReader(FILE *fp, const char *filename) : fp_(fp), filename_(filename) {
    // For a regular file the bytes left bound every count and length read;
    // a pipe gives no bound, and its entries are read as they come.
    struct stat st;
    long at = ftell(fp);
    if (fstat(fileno(fp), &st) == 0 && S_ISREG(st.st_mode) && at >= 0)
      remaining_ = static_cast<int64_t>(st.st_size) - at;
  }

  // Ends the process: "sih_val_read_from_file: '<file>' " and the text.
  [[noreturn]] __attribute__((format(printf, 2, 3))) void Fail(const char *format, ...) {
    char what[512];
    va_list args;
    va_start(args, format);
    vsnprintf(what, sizeof what, format, args);
    va_end(args);
    quit(-1, "sih_val_read_from_file: '%s' %s\n", filename_, what);
  }

  void Bytes(void *out, size_t n) {
    if (fread_unlocked(out, 1, n, fp_) != n) Fail("is truncated");
    if (remaining_ >= 0) remaining_ -= static_cast<int64_t>(n);
  }

  uint32_t Fixed32() {
    char buf[4];
    Bytes(buf, sizeof buf);
    return lexkit::DecodeFixed32(buf);
  }

  uint64_t Fixed64() {
    char buf[8];
    Bytes(buf, sizeof buf);
    return lexkit::DecodeFixed64(buf);
  }

  // -1 when the stream gives no bound.
  int64_t remaining() const { return remaining_; }

  // False when the stream does not begin with the magic.
  bool Magic() {
    char magic[sizeof kMagic];
    if (fread(magic, 1, sizeof magic, fp_) != sizeof magic) return false;
    if (remaining_ >= 0) remaining_ -= static_cast<int64_t>(sizeof magic);
    return memcmp(magic, kMagic, sizeof magic) == 0;
  }

  bool AtEnd() { return getc(fp_) == EOF; }

 private:
  FILE *fp_;
  const char *filename_;
  int64_t remaining_ = -1;
};

}  // namespace

extern "C" sih_t *sih_create(vocab_sz_t nslots, double max_occupancy,
                             double growth_ratio, int warn_on_update) {
  sih_t *ht = reinterpret_cast<sih_t *>(ox_calloc(1, sizeof(sih_t)));
  ht->max_occupancy = max_occupancy;
  ht->growth_ratio = growth_ratio;
  ht->warn_on_update = warn_on_update;
  ht->nslots = nslots > 0 ? nslots : kDefaultSlots;
  ht->nentries = 0;
  ht->slots = reinterpret_cast<sih_slot_t *>(
      ox_calloc(static_cast<size_t>(ht->nslots), sizeof(sih_slot_t)));
  return ht;
}

extern "C" void sih_add(sih_t *ht, char *string, vocab_sz_t intval) {
  Insert(ht, string, intval);
}

extern "C" char sih_lookup(sih_t *ht, const char *string, vocab_sz_t *p_intval) {
  if (!Usable(ht)) return 0;
  const sih_slot_t *slot = Probe(ht->slots, ht->nslots, string, HashKey(string));
  if (slot->intval <= 0) return 0;
  if (p_intval != nullptr) *p_intval = slot->intval;
  return 1;
}

extern "C" void *sih_val_write_to_file(sih_t *ht, FILE *fp, const char *filename,
                                       int verbosity) {
  std::vector<const sih_slot_t *> entries;
  if (Usable(ht)) {
    for (vocab_sz_t i = 0; i < ht->nslots; ++i)
      if (ht->slots[i].intval > 0) entries.push_back(&ht->slots[i]);
  }
  // Id order makes the file independent of the table's size and history.
  std::sort(entries.begin(), entries.end(),
            [](const sih_slot_t *a, const sih_slot_t *b) {
              return a->intval != b->intval ? a->intval < b->intval
                                            : strcmp(a->string, b->string) < 0;
            });

  std::string out(kMagic, sizeof kMagic);
  lexkit::PutFixed32(&out, kVersion);
  lexkit::PutFixed64(&out, entries.size());
  auto flush = [&] {
    if (fwrite(out.data(), 1, out.size(), fp) != out.size())
      quit(-1, "sih_val_write_to_file: could not write '%s'\n", filename);
    out.clear();
  };
  for (const sih_slot_t *slot : entries) {
    size_t len = strlen(slot->string);
    if (len > kMaxKeyBytes)
      quit(-1, "sih_val_write_to_file: a key of %zu bytes is too long for '%s'\n",
           len, filename);
    lexkit::PutFixed32(&out, static_cast<uint32_t>(len));
    out.append(slot->string, len);
    lexkit::PutFixed64(&out, static_cast<uint64_t>(slot->intval));
    if (out.size() >= (1 << 16)) flush();
  }
  flush();
  if (fflush(fp) != 0) quit(-1, "sih_val_write_to_file: could not write '%s'\n", filename);
  if (verbosity)
    fprintf(stderr, "sih_val_write_to_file: %zu entries were written to \"%s\".\n",
            entries.size(), filename);
  return nullptr;
}

extern "C" void *sih_val_read_from_file(sih_t *ht, FILE *fp, const char *filename,
                                        int verbosity) {
  TableReader in(fp, filename);
  if (!in.Magic()) in.Fail("is not a saved string-to-id table");
  uint32_t version = in.Fixed32();
  if (version != kVersion)
    in.Fail("has the table version %u; only version 1 can be read", version);
  uint64_t count = in.Fixed64();
  if (count > static_cast<uint64_t>(INT64_MAX) ||
      (in.remaining() >= 0 && count > static_cast<uint64_t>(in.remaining() / kMinEntryBytes)))
    in.Fail("is truncated or corrupt: it claims %llu entries, more than the file can hold",
            static_cast<unsigned long long>(count));
  // Room up front only as far as the file is known to hold the entries.
  Reserve(ht, ht->nentries +
                  static_cast<vocab_sz_t>(in.remaining() >= 0 ? count
                                                              : std::min<uint64_t>(count, 1 << 16)));
  const bool was_empty = ht->nentries == 0;
  std::string key;
  for (uint64_t e = 1; e <= count; ++e) {
    const unsigned long long entry = e;
    uint64_t len = in.Fixed32();
    if (len == 0 || len > kMaxKeyBytes)
      in.Fail("is corrupt: entry %llu has a key of %llu bytes", entry,
              static_cast<unsigned long long>(len));
    if (in.remaining() >= 0 && len > static_cast<uint64_t>(in.remaining()))
      in.Fail("is truncated");
    key.resize(static_cast<size_t>(len));
    in.Bytes(&key[0], key.size());
    if (key.find('\0') != std::string::npos)
      in.Fail("is corrupt: entry %llu has a NUL byte in its key", entry);
    int64_t id = static_cast<int64_t>(in.Fixed64());
    if (id <= 0)
      in.Fail("is corrupt: entry %llu has the id %lld", entry, static_cast<long long>(id));
    char *copy = lexkit::KeyArena().CopyString(key.data(), key.size());
    bool present = false;
    Insert(ht, copy, id, was_empty ? &present : nullptr);
    if (present) in.Fail("is corrupt: entry %llu repeats the key '%.400s'", entry, copy);
  }
  if (!in.AtEnd()) in.Fail("is corrupt: it has data after its last entry");
  if (verbosity)
    fprintf(stderr, "sih_val_read_from_file: %llu entries were read from \"%s\".\n",
            static_cast<unsigned long long>(count), filename);
  return nullptr;
}
