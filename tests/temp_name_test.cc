// Names of the temporary files: numbers in 16 bits, and the length rule.
#include "libs/ngrams/temp_name.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

TEST(TempNames, NumbersWrapAndNamesStayShorterThanTheBuffer) {
  struct Case {
    const char *ext;
    int64_t number;
    std::string name;
  } cases[] = {
      // "d/65535" is the longest name a buffer of 8 bytes holds.
      {"", 1, "d/1"},          {".gz", 65537, "d/1.gz"}, {"", 65535, "d/65535"},
      {"x", 65536, "d/0x"},    {"", -1, "d/65535"},      {".t", 12, "d/12.t"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(lexkit::TempNames("d", c.ext, "who", "name", 8).Name(c.number), c.name);

  lexkit_test::ChildResult r = lexkit_test::RunChild(
      [] { lexkit::TempNames("d", ".ttt", "who", "temporary name", 8).Name(12); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "who: the temporary name 'd/12.ttt' is longer than 7 characters\n");
}

}  // namespace
