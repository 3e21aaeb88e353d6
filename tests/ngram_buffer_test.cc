// Text to sorted temporary files of id n-grams.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "idngram_files.h"
#include "lexkit/ac_hash.h"
#include "lexkit/ac_lmfunc_impl.h"
#include "libs/ngrams/ngram_stages.h"
#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::Decode;
using lexkit_test::FileExists;
using lexkit_test::ReadFile;
using lexkit_test::Record;
using lexkit_test::RunChild;
using lexkit_test::ScratchDir;

namespace {

using Vocab = std::vector<std::pair<std::string, wordid_t>>;

struct BufferJob {
  Vocab vocab;
  std::string text;
  int buffer_size = 10;
  unsigned n = 2;
  std::string root;
  std::string ext;
  int verbosity = 2;
};

// A table of 101 chains holding `vocab`.
void MakeTable(const Vocab &vocab, idngram_hash_table *t) {
  new_idngram_hashtable(t, 101);
  for (const auto &[word, id] : vocab)
    add_to_idngram_hashtable(t, static_cast<uint64_t>(idngram_hash(word.c_str(), 101)),
                             word.c_str(), id);
}

// Runs read_txt2ngram_buffer in a child; its result is printed on stdout.
ChildResult RunBuffer(const BufferJob &job) {
  return RunChild(
      [&] {
        idngram_hash_table t;
        MakeTable(job.vocab, &t);
        std::vector<wordid_t> buffer(
            (static_cast<size_t>(std::max(job.buffer_size, 0)) + 1) * job.n + 1);
        int files = read_txt2ngram_buffer(stdin, &t, job.verbosity, buffer.data(),
                                          job.buffer_size, job.n, job.root.c_str(),
                                          job.ext.c_str(), nullptr);
        printf("%d", files);
      },
      job.text);
}

std::string BatchMessages(const std::string &name) {
  return "Reading text into the n-gram buffer...\n"
         "20,000 n-grams processed for each \".\", 1,000,000 for each line.\n"
         "\nSorting n-grams...\n"
         "Writing sorted n-grams to temporary file " + name + "\n";
}

const Vocab kAB = {{"a", 1}, {"b", 2}};

TEST(TextToNgrams, BatchesAndRecords) {
  struct Case {
    std::string text;
    Vocab vocab;
    int buffer_size;
    unsigned n;
    std::vector<std::vector<Record>> files;
  } cases[] = {
      {"a b a b", kAB, 10, 2, {{{{1, 2}, 2}, {{2, 1}, 1}}}},
      {"a b a b", kAB, 2, 2, {{{{1, 2}, 1}, {{2, 1}, 1}}, {{{1, 2}, 1}}}},
      {"a b a b\n", kAB, 3, 2, {{{{1, 2}, 2}, {{2, 1}, 1}}}},
      {"  b\n\na\t", kAB, 1, 2, {{{{2, 1}, 1}}}},
      {"w x y z", {}, 10, 3, {{{{0, 0, 0}, 2}}}},
      {"b a c b b a", kAB, 100, 1, {{{{0}, 1}, {{1}, 2}, {{2}, 3}}}},
      // The window after a full batch equals its largest n-gram: each
      // occurrence is counted in its own batch.
      {"b a b", kAB, 2, 1, {{{{1}, 1}, {{2}, 1}}, {{{2}, 1}}}},
      {"a b b b b", kAB, 2, 2, {{{{1, 2}, 1}, {{2, 2}, 1}}, {{{2, 2}, 2}}}},
      {"a", kAB, 10, 2, {}},
      {"", kAB, 10, 1, {}},
  };
  for (const Case &c : cases) {
    ScratchDir dir;
    BufferJob job{c.vocab, c.text, c.buffer_size, c.n, dir.path(), ".t"};
    ChildResult r = RunBuffer(job);
    ASSERT_EQ(r.status, 0) << c.text << r.err;
    EXPECT_EQ(r.out, std::to_string(c.files.size())) << c.text;
    std::string err;
    for (size_t f = 0; f < c.files.size(); ++f) {
      std::string name = dir.File(std::to_string(f + 1) + ".t");
      err += BatchMessages(name);
      EXPECT_EQ(Decode(ReadFile(name), c.n), c.files[f]) << c.text << " file " << f + 1;
    }
    EXPECT_EQ(r.err, err) << c.text;
    EXPECT_FALSE(FileExists(dir.File(std::to_string(c.files.size() + 1) + ".t")));
  }
}

TEST(TextToNgrams, FileBytesAreBigEndianRecords) {
  ScratchDir dir;
  Vocab vocab = {{"2", 2}, {"3", 3}, {"5", 5}, {"9", 9}};
  ChildResult r = RunBuffer({vocab, "5 3 2 9 5 3", 10, 2, dir.path(), ""});
  ASSERT_EQ(r.status, 0);
  const std::string expected(
      "\0\0\0\x02\0\0\0\x09\0\0\0\x01"
      "\0\0\0\x03\0\0\0\x02\0\0\0\x01"
      "\0\0\0\x05\0\0\0\x03\0\0\0\x02"
      "\0\0\0\x09\0\0\0\x05\0\0\0\x01",
      48);
  EXPECT_EQ(ReadFile(dir.File("1")), expected);
}

TEST(TextToNgrams, ProgressMarksRestartInEveryBatch) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "a ";
  ScratchDir dir;
  // One batch of 40000 windows: marks at rows 20000 and 40000.
  ChildResult r = RunBuffer({kAB, text, 100000, 1, dir.path(), ""});
  EXPECT_EQ(r.err,
            "Reading text into the n-gram buffer...\n"
            "20,000 n-grams processed for each \".\", 1,000,000 for each line.\n"
            "..\nSorting n-grams...\n"
            "Writing sorted n-grams to temporary file " + dir.File("1") + "\n");
  // Batches of 30000 and 10000 windows: one mark in all.
  r = RunBuffer({kAB, text, 30000, 1, dir.path(), ""});
  const std::string head =
      "Reading text into the n-gram buffer...\n"
      "20,000 n-grams processed for each \".\", 1,000,000 for each line.\n";
  EXPECT_EQ(r.err, head + ".\nSorting n-grams...\nWriting sorted n-grams to temporary file " +
                       dir.File("1") + "\n" + head +
                       "\nSorting n-grams...\nWriting sorted n-grams to temporary file " +
                       dir.File("2") + "\n");
  EXPECT_EQ(Decode(ReadFile(dir.File("2")), 1), (std::vector<Record>{{{1}, 10000}}));
  // Verbosity 1 prints nothing; -1 shows the messages (narrowed to 16
  // bits) but, as the progress marks take it unnarrowed, no marks.
  r = RunBuffer({kAB, text, 30000, 1, dir.path(), "", 1});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "2");
  r = RunBuffer({kAB, text, 100000, 1, dir.path(), "", -1});
  EXPECT_EQ(r.err, head + "\nSorting n-grams...\nWriting sorted n-grams to temporary file " +
                       dir.File("1") + "\n");
}

// The files the batches must give for a text in parts: the windows of each
// part in text order, batches of `buffer_size`, each sorted and collapsed.
std::vector<std::vector<Record>> ReferenceFilesOfParts(
    const std::vector<std::vector<wordid_t>> &parts, int buffer_size, unsigned n) {
  std::vector<std::vector<uint32_t>> windows;
  for (const std::vector<wordid_t> &ids : parts)
    for (size_t w = 0; w + n <= ids.size(); ++w)
      windows.emplace_back(ids.begin() + w, ids.begin() + w + n);
  std::vector<std::vector<Record>> files;
  for (size_t start = 0; start < windows.size(); start += static_cast<size_t>(buffer_size)) {
    std::map<std::vector<uint32_t>, int32_t> counts;
    size_t end = std::min(windows.size(), start + static_cast<size_t>(buffer_size));
    for (size_t w = start; w < end; ++w) ++counts[windows[w]];
    files.emplace_back();
    for (const auto &[gram, count] : counts) files.back().push_back({gram, count});
  }
  return files;
}

std::vector<std::vector<Record>> ReferenceFiles(const std::vector<wordid_t> &ids,
                                                int buffer_size, unsigned n) {
  return ReferenceFilesOfParts({ids}, buffer_size, n);
}

TEST(TextToNgrams, RandomTextsMatchTheReferenceForEveryIdWidth) {
  std::mt19937 rng(5);
  // Largest ids that pack windows into 64 bits, 128 bits and neither.
  for (wordid_t largest : {3u, 40000u, 2147483648u, 4294967295u}) {
    Vocab vocab = {{"w0", 1}, {"w1", 2}, {"w2", largest / 2 + 1}, {"w3", largest}};
    for (unsigned n : {1u, 2u, 3u, 5u}) {
      for (int buffer_size : {3, 1000}) {
        std::string text;
        std::vector<wordid_t> ids;
        for (int i = 0; i < 200; ++i) {
          unsigned k = rng() % 5;  // w4 is not in the vocabulary
          text += "w" + std::to_string(k) + (rng() % 3 ? " " : "\n");
          ids.push_back(k < 4 ? vocab[k].second : 0);
        }
        ScratchDir dir;
        ChildResult r = RunBuffer({vocab, text, buffer_size, n, dir.path(), "", 0});
        ASSERT_EQ(r.status, 0) << r.err;
        auto expected = ReferenceFiles(ids, buffer_size, n);
        ASSERT_EQ(r.out, std::to_string(expected.size()));
        for (size_t f = 0; f < expected.size(); ++f)
          ASSERT_EQ(Decode(ReadFile(dir.File(std::to_string(f + 1))), n), expected[f])
              << largest << " n=" << n << " buffer=" << buffer_size << " file " << f + 1;
      }
    }
  }
}

// A text in parts, some empty or shorter than a window: each part's
// windows, none across two parts, batched as one text's.
TEST(TextToNgrams, PartsGiveTheWindowsOfEachPart) {
  std::mt19937 rng(17);
  for (wordid_t largest : {3u, 4294967295u}) {  // packed windows and offsets
    const Vocab vocab = {{"w0", 1}, {"w1", 2}, {"w2", largest / 2 + 1}, {"w3", largest}};
    idngram_hash_table t;
    MakeTable(vocab, &t);
    for (unsigned n : {1u, 3u, 5u}) {
      for (int buffer_size : {3, 1000}) {
        std::vector<std::string> texts;
        std::vector<std::vector<wordid_t>> ids;
        for (int p = 0; p < 12; ++p) {
          texts.emplace_back(" ");  // fmemopen takes no empty buffer
          ids.emplace_back();
          for (unsigned i = 0, words = rng() % 9; i < words; ++i) {
            unsigned k = rng() % 5;  // w4 is not in the vocabulary
            texts.back() += "w" + std::to_string(k) + " ";
            ids.back().push_back(k < 4 ? vocab[k].second : 0);
          }
        }
        size_t next = 0;
        FILE *open = nullptr;
        const lexkit::TextParts parts = [&]() -> FILE * {
          if (open != nullptr) fclose(open);
          open = next < texts.size() ? fmemopen(texts[next].data(), texts[next].size(), "r")
                                     : nullptr;
          ++next;
          return open;
        };
        ScratchDir dir;
        const auto expected = ReferenceFilesOfParts(ids, buffer_size, n);
        ASSERT_EQ(lexkit::TextToNgramFiles(parts, &t, 0, nullptr, buffer_size, n,
                                           dir.path().c_str(), "", 1),
                  static_cast<int>(expected.size()));
        for (size_t f = 0; f < expected.size(); ++f)
          ASSERT_EQ(Decode(ReadFile(dir.File(std::to_string(f + 1))), n), expected[f])
              << largest << " n=" << n << " buffer=" << buffer_size << " file " << f + 1;
      }
    }
  }
}

TEST(TextToNgrams, CompressedTemporaryFiles) {
  ScratchDir dir;
  ChildResult r = RunBuffer({kAB, "a b a b", 10, 2, dir.path(), ".gz", 0});
  ASSERT_EQ(r.status, 0) << r.err;
  auto unzipped = lexkit_test::RunShell("gunzip -c '" + dir.File("1.gz") + "'");
  EXPECT_EQ(Decode(unzipped.out, 2), (std::vector<Record>{{{1, 2}, 2}, {{2, 1}, 1}}));
}

TEST(TextToNgrams, RefusesWhatWouldOverrunOrOverwrite) {
  ScratchDir dir;
  struct Case {
    int buffer_size;
    unsigned n;
    std::string err;
  } cases[] = {
      {0, 2, "read_txt2ngram_buffer: the buffer must hold at least one n-gram, not 0\n"},
      {-5, 2, "read_txt2ngram_buffer: the buffer must hold at least one n-gram, not -5\n"},
      {10, 0, "read_txt2ngram_buffer: the n-gram length must be at least 1\n"},
  };
  for (const Case &c : cases) {
    ChildResult r = RunBuffer({kAB, "a b a", c.buffer_size, c.n, dir.path(), ""});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, c.err);
  }

  // Names up to 499 characters are fine; 500 end the process.
  std::string deep = dir.path();
  while (deep.size() < 497 - 200) deep += "/" + std::string(std::min<size_t>(200, 497 - 200 - deep.size() + 1), 'd');
  std::string root = deep + "/" + std::string(497 - deep.size() - 1, 'r');
  ASSERT_EQ(root.size() + 2, 499u);  // root + "/1"
  ASSERT_EQ(lexkit_test::RunShell("mkdir -p '" + root + "'").status, 0);
  ChildResult ok = RunBuffer({kAB, "a b", 10, 2, root, "", 0});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_TRUE(FileExists(root + "/1"));
  ChildResult r = RunBuffer({kAB, "a b", 10, 2, root, "x", 0});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "read_txt2ngram_buffer: the temporary file name '" + root +
                       "/1x' is longer than 499 characters\n");

  // A read error is fatal.
  r = RunChild([&] {
    idngram_hash_table t;
    new_idngram_hashtable(&t, 7);
    FILE *fp = fopen(dir.path().c_str(), "rb");  // a directory: reads fail
    wordid_t buffer[4];
    read_txt2ngram_buffer(fp, &t, 2, buffer, 1, 1, dir.path().c_str(), "", nullptr);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "Error reading file");

  // A failed write names the field.
  ScratchDir full;
  ASSERT_EQ(symlink("/dev/full", full.File("1").c_str()), 0);
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "w" + std::to_string(i % 5000) + " ";
  Vocab many;
  for (wordid_t i = 0; i < 5000; ++i) many.push_back({"w" + std::to_string(i), i + 1});
  r = RunBuffer({many, text, 1000000, 3, full.path(), "", 0});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err,
            "ox_fwrite: problems writing temporary n-gram ids.  Only 0 of 1 "
            "elements were written\n");
}

TEST(TextToNgrams, RefusesMoreThan65535FilesBeforeOverwritingFile1) {
  ScratchDir dir(FileExists("/dev/shm") ? "/dev/shm" : "/tmp");
  std::string text;
  for (int i = 0; i < 65536; ++i) text += i == 0 ? "a " : "b ";
  ChildResult r = RunBuffer({kAB, text, 1, 1, dir.path(), "", 0});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err,
            "read_txt2ngram_buffer: the text needs more than 65535 temporary "
            "files, and their numbers would repeat. Use a larger buffer.\n");
  EXPECT_EQ(Decode(ReadFile(dir.File("1")), 1), (std::vector<Record>{{{1}, 1}}));
  EXPECT_TRUE(FileExists(dir.File("65535")));
  EXPECT_FALSE(FileExists(dir.File("0")));
}

TEST(TextToNgrams, ComparatorSetsItsLengthAndComparesUnsigned) {
  ChildResult r = RunChild([] {
    idngram_hash_table t;
    new_idngram_hashtable(&t, 7);
    wordid_t buffer[6];
    read_txt2ngram_buffer(stdin, &t, 0, buffer, 2, 2, "/nonexistent", "", nullptr);
    wordid_t a[2] = {3, 9}, b[2] = {4, 0}, big[2] = {4294967295u, 0}, c[2] = {3, 9};
    printf("%d %d %d %d %d", compare_ngrams(a, b), compare_ngrams(b, a),
           compare_ngrams(big, b), compare_ngrams(a, c), compare_ngrams(b, big));
    add_to_buffer(7, 1, 1, buffer);
    printf(" %u", buffer_contents(1, 1, buffer) + buffer[3] * 10);
  });
  EXPECT_EQ(r.out, "-1 1 1 0 -1 77");
}

}  // namespace

namespace {

TEST(TextToNgrams, ManySmallBatchesMergeToTheFileOfOneBigBatch) {
  std::mt19937 rng(29);
  Vocab vocab;
  for (wordid_t i = 1; i <= 30; ++i) vocab.push_back({"v" + std::to_string(i), i});
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "v" + std::to_string(1 + rng() % 36) + " ";
  std::string outputs[2], stats[2];
  for (int small = 0; small < 2; ++small) {
    ScratchDir dir;
    ChildResult r = RunBuffer({vocab, text, small ? 97 : 100000, 3, dir.path(), ".t", 0});
    ASSERT_EQ(r.status, 0) << r.err;
    int files = std::stoi(r.out);
    EXPECT_EQ(files, small ? 31 : 1);
    r = RunChild([&] {
      FILE *fp = fopen(dir.File("out").c_str(), "wb");
      merge_idngramfiles(1, files, dir.path().c_str(), ".t", 4, fp, 0, 7, 3);
      fclose(fp);
    });
    ASSERT_EQ(r.status, 0) << r.err;
    outputs[small] = ReadFile(dir.File("out"));
    stats[small] = r.err;
    EXPECT_EQ(lexkit_test::RunShell("ls '" + dir.path() + "'").out, "out\n");
  }
  EXPECT_EQ(outputs[1], outputs[0]);
  EXPECT_EQ(stats[1], stats[0]);
  EXPECT_EQ(Decode(outputs[0], 3).size() * 16, outputs[0].size());
}

// Text of several chunks, read and sorted by one thread and by two: the
// same files (the text -> id stage, in process, with its thread count).
TEST(TextToNgrams, OneThreadOrTwoGiveTheSameFiles) {
  std::mt19937 rng(31);
  idngram_hash_table t;
  new_idngram_hashtable(&t, 8009);
  std::vector<std::string> words;
  for (wordid_t id = 1; id <= 4000; ++id) {
    words.push_back("w" + std::to_string(id));
    add_to_idngram_hashtable(&t, static_cast<uint64_t>(idngram_hash(words.back().c_str(), 8009)),
                             words.back().c_str(), id);
  }
  std::string text;
  while (text.size() < 2500000)  // three chunks; ids of 12 bits, 36-bit windows
    text += "w" + std::to_string(1 + rng() % 4400) + (rng() % 8 ? " " : "\n");
  ScratchDir dir;
  const std::string path = dir.File("text");
  lexkit_test::WriteFile(path, text);
  std::string files[2][2];
  for (unsigned threads : {1u, 2u}) {
    const std::string root = dir.File("t" + std::to_string(threads));
    ASSERT_EQ(mkdir(root.c_str(), 0700), 0);
    FILE *fp = fopen(path.c_str(), "rb");
    EXPECT_EQ(lexkit::TextToNgramFiles(fp, &t, 0, nullptr, 300000, 3, root.c_str(), "", threads),
              2);
    fclose(fp);
    for (int f = 0; f < 2; ++f) files[threads - 1][f] = ReadFile(root + "/" + std::to_string(f + 1));
  }
  EXPECT_FALSE(files[0][1].empty());
  for (int f = 0; f < 2; ++f) EXPECT_TRUE(files[1][f] == files[0][f]) << "file " << f + 1;
}

}  // namespace
