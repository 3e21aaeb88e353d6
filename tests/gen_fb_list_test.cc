// Forced back-off marks from the command-line choices and from list files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexkit/general.h"
#include "lexkit/ngram.h"
#include "lexkit/sih.h"
#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::RunChild;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

// Vocabulary: the=1, of=2, #foo=3, a=4.
sih_t *Vocabulary() {
  sih_t *ht = sih_create(0, 0, 0, 0);
  int id = 0;
  for (const char *w : {"the", "of", "#foo", "a"}) sih_add(ht, salloc(w), ++id);
  return ht;
}

// The marks as one letter per id 0..4: '.' none, 'i' inclusive, 'e' exclusive.
std::string Marks(const fb_info *fb, int vocab_size = 4) {
  std::string out;
  for (int id = 0; id <= vocab_size; ++id)
    out += !fb[id].backed_off ? '.' : fb[id].inclusive ? 'i' : 'e';
  return out;
}

TEST(GenFbList, CommandLineMarks) {
  flag cues[5] = {0, 0, 1, 0, 1};
  flag cue_on_unk[5] = {1, 0, 0, 0, 0};
  struct Case {
    flag *cues;
    flag unk_inc, unk_exc, ccs_inc, ccs_exc;
    std::string marks;
  } cases[] = {
      {cues, 0, 0, 0, 0, "....."},
      {cues, 1, 0, 0, 0, "i...."},
      {cues, 0, 1, 0, 0, "e...."},
      {cues, 1, 1, 0, 0, "e...."},
      {cues, 0, 0, 1, 0, "..i.i"},
      {cues, 0, 0, 0, 1, "..e.e"},
      {cues, 0, 0, 1, 1, "..i.i"},
      {cues, 1, 0, 0, 1, "i.e.e"},
      {cue_on_unk, 1, 0, 0, 1, "e...."},  // the cue pass overrides id 0
      {nullptr, 1, 0, 1, 0, "i...."},
  };
  sih_t *ht = Vocabulary();
  for (const Case &c : cases) {
    fb_info *fb = gen_fb_list(ht, 4, nullptr, c.cues, c.unk_inc, c.unk_exc,
                              c.ccs_inc, c.ccs_exc, "");
    EXPECT_EQ(Marks(fb), c.marks) << c.unk_inc << c.unk_exc << c.ccs_inc << c.ccs_exc;
  }
}

const char kFaulty[] = "Error in line of forced back-off list file.\nLine is : ";

std::string Faulty(const std::string &line) { return kFaulty + line + "\n"; }

std::string Unknown(const std::string &word) {
  return "Error : " + word + " in the forced backoff list does not appear in the vocabulary.";
}

std::string CommentWarning(const std::string &line) {
  return "\n\n===========================================================\n"
         ":\nWARNING: line assumed NOT a comment:\n>>> " +
         line + " <<<\n         '" + line +
         "' will be included in the vocabulary.\n"
         "         (comments must start with '##')\n"
         "===========================================================\n\n";
}

TEST(GenFbList, ListFiles) {
  const std::string long_word(2000, 'w');
  struct Case {
    std::string list;
    std::string marks;  // starting from unk_inc: "i...."
    std::string err;
  } cases[] = {
      {"## comment\nthe i\nof EXC\n", "iie..", ""},
      {"the Inclusive\nthe e\na inc extra words\n", "ie..i", ""},
      {"the x\n", "i....", Faulty("the x\n")},
      {"#foo i\n", "i..i.", CommentWarning("#foo i\n")},
      {"##foo i\n", "i....", ""},
      // Later lines override the command line.
      {"<UNK> e\n", "i....", Unknown("<UNK>")},
      // Mends: a word outside the vocabulary changes nothing; a line without
      // both fields is faulty and changes nothing.
      {"the i\nzebra e\n", "ii...", Unknown("zebra")},
      {"zebra q\n", "i....", Unknown("zebra") + Faulty("zebra q\n")},
      {"the\n", "i....", Faulty("the\n")},
      {"the i\n\n   \nof\n", "ii...", Faulty("\n") + Faulty("   \n") + Faulty("of\n")},
      {"# \n", "i....", CommentWarning("# \n") + Faulty("# \n")},
      {"of e", "i.e..", ""},  // no final line end
      // Lines come in pieces of 1023 bytes, fields of 499 characters.
      {"of i" + std::string(1100, ' ') + " the e\n", "iei..", ""},
      {"the i" + std::string(1018, ' ') + "\n", "ii...", Faulty("\n")},
      {"the i" + long_word + "\n", "ii...",
       Unknown(std::string(499, 'w')) + Faulty(std::string(982, 'w') + "\n")},
      {std::string(499, 'w') + "e\n", "i....", Unknown(std::string(499, 'w'))},
  };
  ScratchDir dir;
  std::string path = dir.File("fb.list");
  for (const Case &c : cases) {
    WriteFile(path, c.list);
    ChildResult r = RunChild([&] {
      fb_info *fb = gen_fb_list(Vocabulary(), 4, nullptr, nullptr, 1, 0, 0, 0,
                                path.c_str());
      printf("%s", Marks(fb).c_str());
    });
    EXPECT_EQ(r.status, 0) << c.list.substr(0, 40);
    EXPECT_EQ(r.out, c.marks) << c.list.substr(0, 40);
    EXPECT_EQ(r.err, c.err) << c.list.substr(0, 40);
  }
}

TEST(GenFbList, IdsOutsideTheTableAreNotMarked) {
  // A table whose ids run past the vocabulary size given.
  sih_t *ht = sih_create(0, 0, 0, 0);
  sih_add(ht, salloc("near"), 1);
  sih_add(ht, salloc("far"), 99);
  ScratchDir dir;
  std::string path = dir.File("fb.list.gz");
  ChildResult w = lexkit_test::RunShell("gzip > '" + path + "'", "far i\nnear e\n");
  ASSERT_EQ(w.status, 0);
  ChildResult r = RunChild([&] {
    fb_info *fb = gen_fb_list(ht, 1, nullptr, nullptr, 0, 0, 0, 0, path.c_str());
    printf("%s", Marks(fb, 1).c_str());
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ".e");
  EXPECT_EQ(r.err, Unknown("far"));
}

TEST(GenFbList, MissingListEndsTheProcess) {
  ChildResult r = RunChild([] {
    gen_fb_list(Vocabulary(), 4, nullptr, nullptr, 0, 0, 0, 0, "/nonexistent/fb");
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err,
            "ox_iopen: None of '/nonexistent/fb' '/nonexistent/fb.Z' or "
            "'/nonexistent/fb.gz' exist.\n");
}

}  // namespace
