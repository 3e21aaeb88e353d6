// The discounting method records, the choice of a method from the
// command-line options, and the methods' names and parameters.
#include <charconv>
#include <string>

#include "lexkit/ngram.h"
#include "lexkit/pc_general.h"
#include "liblmest/disc_meth_info.h"

namespace {

constexpr disc_meth_t kMethods[] = {
    {1, dump_disc_meth_good_turing_verbose_method,
     dump_good_turing_discounted_ngram_count,
     disc_meth_good_turing_allocate_freq_of_freq,
     disc_meth_good_turing_update_freq_of_freq,
     disc_meth_good_turing_reduce_ug_freq_of_freq,
     disc_meth_good_turing_compute_disc_aux},
    {2, dump_disc_meth_absolute_verbose_method,
     dump_absolute_discounted_ngram_count,
     disc_meth_absolute_allocate_freq_of_freq,
     disc_meth_absolute_update_freq_of_freq,
     disc_meth_absolute_reduce_ug_freq_of_freq,
     disc_meth_absolute_compute_disc_aux},
    {3, dump_disc_meth_linear_verbose_method,
     dump_linear_discounted_ngram_count,
     disc_meth_linear_allocate_freq_of_freq,
     disc_meth_linear_update_freq_of_freq,
     disc_meth_linear_reduce_ug_freq_of_freq,
     disc_meth_linear_compute_disc_aux},
    {4, dump_disc_meth_witten_bell_verbose_method,
     dump_witten_bell_discounted_ngram_count,
     disc_meth_witten_bell_allocate_freq_of_freq,
     disc_meth_witten_bell_update_freq_of_freq,
     disc_meth_witten_bell_reduce_ug_freq_of_freq,
     disc_meth_witten_bell_compute_disc_aux},
};

// The message for an absolute or Good-Turing option that follows another
// method option, and the one for a Witten-Bell option (two blanks after
// "of"); users' scripts match them as they stand.
constexpr const char kContradictionA[] =
    "Error : Assigned two contradictory discounting methods.\n"
    "Specify one of -linear, -absolute, -good_turing or -witten_bell.\n";
constexpr const char kContradictionB[] =
    "Error : Assigned two contradictory discounting methods.\n"
    "Specify one of  -linear, -absolute, -good_turing or -witten_bell.\n";

constexpr const char *kNames[] = {"good_turing", "absolute", "linear",
                                  "witten_bell"};

void AppendLine(std::string *text, const std::string &name, double value) {
  char digits[32];
  const auto done = std::to_chars(digits, digits + sizeof digits, value);
  *text += name;
  *text += ' ';
  text->append(digits, done.ptr);
  *text += '\n';
}

void choose(unsigned short *method, unsigned short code, const char *clash) {
  if (*method != 0) quit(-1, "%s", clash);
  *method = code;
}

}  // namespace

extern "C" disc_meth_t *disc_meth_init(int32 disc_meth) {
  if (disc_meth < 1 || disc_meth > 4) return nullptr;
  auto *record = reinterpret_cast<disc_meth_t *>(ox_malloc(sizeof(disc_meth_t)));
  *record = kMethods[disc_meth - 1];
  return record;
}

extern "C" void init_ng_disc_method(ng_t *ng, flag linear, flag absolute,
                                    flag witten_bell, flag good_turing) {
  // The options are examined in this fixed order; the first one that
  // contradicts an earlier one decides the message.
  ng->discounting_method = 0;
  if (linear) ng->discounting_method = 3;
  if (absolute) choose(&ng->discounting_method, 2, kContradictionA);
  if (witten_bell) choose(&ng->discounting_method, 4, kContradictionB);
  if (good_turing) choose(&ng->discounting_method, 1, kContradictionA);
  if (ng->discounting_method == 0) ng->discounting_method = 1;
  ng->disc_meth = disc_meth_init(ng->discounting_method);
}

namespace lexkit {

const char *DiscMethName(const ng_t *ng) {
  const int code = ng->discounting_method;
  return code >= 1 && code <= 4 ? kNames[code - 1] : "none";
}

void AppendDiscMethParameters(const ng_t *ng, std::string *text) {
  for (int k = 0; k < ng->n; ++k) {
    const std::string order = std::to_string(k + 1);
    switch (ng->discounting_method) {
      case 1:  // Good-Turing: the range and the ratio of each count in it
        AppendLine(text, "disc_range_" + order, ng->disc_range[k]);
        for (int r = 1; r <= ng->disc_range[k]; ++r)
          AppendLine(text, "gt_ratio_" + order + "_" + std::to_string(r),
                     ng->gt_disc_ratio[k][r]);
        break;
      case 2:
        AppendLine(text, "abs_disc_const_" + order, ng->abs_disc_const[k]);
        break;
      case 3:
        AppendLine(text, "lin_disc_ratio_" + order, ng->lin_disc_ratio[k]);
        break;
      default:  // Witten-Bell has no parameters of its own
        break;
    }
  }
}

}  // namespace lexkit
