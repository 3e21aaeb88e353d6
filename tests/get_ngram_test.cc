// Reading id n-gram files record by record, in both forms.
#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "lexkit/general.h"
#include "lexkit/ngram.h"
#include "test_support.h"

using lexkit_test::RunChild;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

struct Record {
  std::vector<id__t> ids;
  count_t count;
  bool operator==(const Record &o) const { return ids == o.ids && count == o.count; }
};

// Writes records in the binary layout of the id n-gram merge: 4-byte
// big-endian ids, then the count.
void WriteBinary(const std::string &path, const std::vector<Record> &records) {
  FILE *fp = ox_fopen(path.c_str(), "wb");
  for (const Record &r : records) {
    for (id__t id : r.ids) ox_fwrite(&id, 4, 1, fp, "n-gram ids");
    ox_fwrite(&r.count, 4, 1, fp, "n-gram counts");
  }
  fclose(fp);
}

// Every record get_ngram returns until its first 0.
std::vector<Record> ReadAll(FILE *fp, unsigned short n, flag ascii) {
  std::vector<Record> records;
  std::vector<id__t> ids(n);
  ngram g{n, ids.data(), 0};
  while (get_ngram(fp, &g, ascii)) records.push_back({ids, g.count});
  // The end is reported again on every further call.
  EXPECT_EQ(get_ngram(fp, &g, ascii), 0);
  return records;
}

std::vector<Record> ReadFileRecords(const std::string &path, unsigned short n,
                                    flag ascii) {
  FILE *fp = ox_fopen(path.c_str(), "rb");
  std::vector<Record> records = ReadAll(fp, n, ascii);
  fclose(fp);
  return records;
}

TEST(GetNgram, ReadsBothFormsAlike) {
  const std::vector<Record> records = {{{1, 2, 3}, 2},
                                       {{1, 2, 4}, 1},
                                       {{4000000000u, 0, 70000}, 2147483647}};
  ScratchDir dir;
  WriteBinary(dir.File("bin"), records);
  EXPECT_EQ(ReadFileRecords(dir.File("bin"), 3, 0), records);

  // White space of any kind separates the integers; a trailing line end
  // ends the file like its absence does.
  for (const char *text : {"1 2 3 2\n1 2 4 1\n4000000000 0 70000 2147483647\n",
                           "1 2 3 2 1 2 4 1 4000000000 0 70000 2147483647",
                           " 1\t2\r\n3\v2\f1 2\n4 1\n\n"
                           "4000000000 0 70000 2147483647 \n\n"}) {
    WriteFile(dir.File("txt"), text);
    EXPECT_EQ(ReadFileRecords(dir.File("txt"), 3, 1), records) << text;
  }
}

TEST(GetNgram, EmptyFileEndsAtOnceInBothForms) {
  ScratchDir dir;
  WriteFile(dir.File("empty"), "");
  EXPECT_TRUE(ReadFileRecords(dir.File("empty"), 3, 0).empty());
  EXPECT_TRUE(ReadFileRecords(dir.File("empty"), 3, 1).empty());
  WriteFile(dir.File("blank"), " \n\n\t");
  EXPECT_TRUE(ReadFileRecords(dir.File("blank"), 3, 1).empty());
}

TEST(GetNgram, OrderZeroReadsCountsOnly) {
  ScratchDir dir;
  WriteBinary(dir.File("bin"), {{{}, 5}, {{}, 7}});
  const std::vector<Record> expected = {{{}, 5}, {{}, 7}};
  EXPECT_EQ(ReadFileRecords(dir.File("bin"), 0, 0), expected);
  WriteFile(dir.File("txt"), "5\n7\n");
  EXPECT_EQ(ReadFileRecords(dir.File("txt"), 0, 1), expected);
}

// The ASCII integers convert exactly as fscanf("%d") converts them.
TEST(GetNgram, AsciiIntegersConvertAsFscanfDoes) {
  const std::string text =
      "0 -0 +17 -17 007 2147483647 -2147483648 2147483648 -2147483649 "
      "4294967295 4294967296 4294967301 9223372036854775807 "
      "9223372036854775808 -9223372036854775808 -9223372036854775809 "
      "99999999999999999999999 -99999999999999999999999 12";
  ScratchDir dir;
  WriteFile(dir.File("txt"), text);
  std::vector<Record> expected;
  FILE *fp = ox_fopen(dir.File("txt").c_str(), "r");
  int value;
  while (fscanf(fp, "%d", &value) == 1) expected.push_back({{}, value});
  fclose(fp);
  ASSERT_EQ(expected.size(), 19u);
  EXPECT_EQ(ReadFileRecords(dir.File("txt"), 0, 1), expected);
}

// A record that the file cuts between two fields ends the reading silently;
// the ids read so far stay, the rest of the record is untouched.
TEST(GetNgram, RecordCutBetweenFieldsEndsSilently) {
  struct Case {
    const char *name;
    std::string content;
    flag ascii;
    std::vector<id__t> ids_after;
    count_t count_after;
  } cases[] = {
      {"binary after one id", std::string("\0\0\0\x09", 4), 0, {9, 77, 77}, -5},
      {"binary after all ids", std::string("\0\0\0\x09\0\0\0\x08\0\0\0\x07", 12), 0,
       {9, 8, 7}, -5},
      {"ascii after one id", "9 ", 1, {9, 77, 77}, -5},
      {"ascii after all ids", "9 8 7\n", 1, {9, 8, 7}, -5},
      {"ascii sign only", "9 8 -", 1, {9, 8, 77}, -5},
  };
  ScratchDir dir;
  for (const Case &c : cases) {
    WriteFile(dir.File("f"), c.content);
    FILE *fp = ox_fopen(dir.File("f").c_str(), "rb");
    std::vector<id__t> ids(3, 77);
    ngram g{3, ids.data(), -5};
    EXPECT_EQ(get_ngram(fp, &g, c.ascii), 0) << c.name;
    EXPECT_EQ(ids, c.ids_after) << c.name;
    EXPECT_EQ(g.count, c.count_after) << c.name;
    fclose(fp);
  }
}

// Records longer than one read of the reader (20 ids) behave alike.
TEST(GetNgram, LongRecords) {
  Record long_record{{}, 99};
  for (id__t i = 1; i <= 20; ++i) long_record.ids.push_back(i * 1000);
  ScratchDir dir;
  WriteBinary(dir.File("bin"), {long_record, long_record});
  EXPECT_EQ(ReadFileRecords(dir.File("bin"), 20, 0),
            (std::vector<Record>{long_record, long_record}));

  const std::string whole = lexkit_test::ReadFile(dir.File("bin"));
  WriteFile(dir.File("cut"), whole.substr(0, 84 + 4 * 18));  // 18 ids
  FILE *fp = ox_fopen(dir.File("cut").c_str(), "rb");
  std::vector<id__t> ids(20, 7);
  ngram g{20, ids.data(), 0};
  EXPECT_EQ(get_ngram(fp, &g, 0), 1);
  ids.assign(20, 7);
  EXPECT_EQ(get_ngram(fp, &g, 0), 0);
  std::vector<id__t> kept(long_record.ids.begin(), long_record.ids.begin() + 18);
  kept.resize(20, 7);
  EXPECT_EQ(ids, kept);
  EXPECT_EQ(g.count, 99);
  fclose(fp);

  for (size_t cut : {84 + 4 * 17 + 1, 84 + 80 + 3}) {
    auto r = RunChild(
        [&] {
          std::vector<id__t> ids(20);
          ngram g{20, ids.data(), 0};
          while (get_ngram(stdin, &g, 0)) printf("%d\n", g.count);
        },
        whole.substr(0, cut));
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "99\n");
    EXPECT_EQ(r.err, std::string("ox_fread: problems reading ") +
                         (cut < 84 + 80 ? "" : "count ") +
                         "from id_ngram file.  Only 0 of 1 elements were read\n");
  }
}

TEST(GetNgram, BadInputStopsWithMessage) {
  const std::string record("\0\0\0\1\0\0\0\2\0\0\0\3\0\0\0\4", 16);
  struct Case {
    const char *name;
    std::string content;
    flag ascii;
    const char *message;
  } cases[] = {
      {"binary partial id", record + std::string("\0\0\0\1\0\0", 6), 0,
       "ox_fread: problems reading from id_ngram file.  Only 0 of 1 elements "
       "were read\n"},
      {"binary partial first id", record + "\x01", 0,
       "ox_fread: problems reading from id_ngram file.  Only 0 of 1 elements "
       "were read\n"},
      {"binary partial count", record + record.substr(0, 15), 0,
       "ox_fread: problems reading count from id_ngram file.  Only 0 of 1 "
       "elements were read\n"},
      {"letters as id", "1 2 3 4\n1 x 3 4\n", 1, "Error reading from id_ngram file.\n"},
      {"sign without digits", "1 2 3 4\n1 - 3 4\n", 1,
       "Error reading from id_ngram file.\n"},
      {"letters as count", "1 2 3 4\n1 2 3 many\n", 1,
       "Error reading from id_ngram file.2\n"},
  };
  for (const Case &c : cases) {
    auto r = RunChild(
        [&] {
          std::vector<id__t> ids(3);
          ngram g{3, ids.data(), 0};
          while (get_ngram(stdin, &g, c.ascii)) printf("%d\n", g.count);
        },
        c.content);
    EXPECT_EQ(r.status, 255) << c.name;
    EXPECT_EQ(r.out, "4\n") << c.name;
    EXPECT_EQ(r.err, c.message) << c.name;
  }
}

}  // namespace
