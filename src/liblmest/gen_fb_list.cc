// The forced back-off marks of every word id: from the unknown word and the
// context cues as chosen on the command line, then from a list file of
// "word mode" lines, later lines overriding earlier marks.
#include <string>
#include <string_view>

#include "lexkit/ac_parsetext.h"
#include "lexkit/general.h"
#include "lexkit/ngram.h"
#include "lexkit/sih.h"
#include "libs/io/line_reader.h"

namespace {

// The list is read as through a 1024-byte line buffer: a longer line comes
// in pieces of 1023 bytes, each a line of its own. A field is at most 499
// characters; the rest of a longer word starts the next field.
constexpr size_t kLineMax = 1023;
constexpr size_t kFieldMax = 499;

std::string_view NextField(std::string_view line, size_t *pos) {
  std::string_view field = lexkit::NextToken(line, pos);
  if (field.size() <= kFieldMax) return field;
  *pos -= field.size() - kFieldMax;
  return field.substr(0, kFieldMax);
}

void Mark(fb_info *entry, bool inclusive) {
  entry->backed_off = 1;
  entry->inclusive = inclusive ? 1 : 0;
}

void ReportFaultyLine(const std::string &line) {
  fprintf(stderr, "Error in line of forced back-off list file.\nLine is : %s\n",
          line.c_str());
}

// Applies one non-comment line of the list. A line without both fields is
// faulty; a word outside the vocabulary changes no entry.
void ApplyListLine(std::string_view view, sih_t *vocab_ht, vocab_sz_t vocab_size,
                   fb_info *marks) {
  const std::string line(view);
  size_t pos = 0;
  const std::string word(NextField(view, &pos));
  const std::string_view mode = NextField(view, &pos);
  warn_on_wrong_vocab_comments(line.c_str());
  if (mode.empty()) {
    ReportFaultyLine(line);
    return;
  }
  vocab_sz_t id = 0;
  const bool known = sih_lookup(vocab_ht, word.c_str(), &id) && id >= 0 &&
                     id <= vocab_size;
  if (!known)
    fprintf(stderr,
            "Error : %s in the forced backoff list does not appear in the vocabulary.",
            word.c_str());
  switch (mode[0]) {
    case 'i':
    case 'I':
      if (known) Mark(&marks[id], true);
      break;
    case 'e':
    case 'E':
      if (known) Mark(&marks[id], false);
      break;
    default:
      ReportFaultyLine(line);
  }
}

}  // namespace

extern "C" fb_info *gen_fb_list(sih_t *vocab_ht, vocab_sz_t vocab_size,
                                char ** /* vocab */, flag *context_cue,
                                flag backoff_from_unk_inc, flag backoff_from_unk_exc,
                                flag backoff_from_ccs_inc, flag backoff_from_ccs_exc,
                                const char *fb_list_filename) {
  const vocab_sz_t size = vocab_size > 0 ? vocab_size : 0;
  fb_info *marks = reinterpret_cast<fb_info *>(
      ox_calloc(static_cast<size_t>(size) + 1, sizeof(fb_info)));

  if (backoff_from_unk_inc) Mark(&marks[0], true);
  if (backoff_from_unk_exc) Mark(&marks[0], false);

  if ((backoff_from_ccs_inc || backoff_from_ccs_exc) && context_cue != nullptr) {
    for (vocab_sz_t id = 0; id <= size; ++id)
      if (context_cue[id]) Mark(&marks[id], backoff_from_ccs_inc != 0);
  }

  if (fb_list_filename == nullptr || fb_list_filename[0] == '\0') return marks;

  FILE *fp = ox_iopen(fb_list_filename);
  lexkit::LineReader lines(fp, kLineMax);
  std::string_view piece;
  while (lines.Next(&piece)) {
    const std::string_view line = lexkit::AsCString(piece);
    if (!lexkit::IsCommentLine(line)) ApplyListLine(line, vocab_ht, size, marks);
  }
  if (lines.failed()) quit(-1, "gen_fb_list: could not read %s\n", fb_list_filename);
  ox_iclose(fp);
  return marks;
}
