// picklex: word frequency list on stdin -> vocabulary file on stdout.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/general.h"
#include "lexkit/pc_general.h"
#include "libs/base/program_start.h"

namespace {

void help_message() {
  fprintf(stderr, "picklex : Generate a vocabulary file from a word frequency file.\n");
  fprintf(stderr, "Usage : picklex [ -top 20000 | -gt 10]\n");
  fprintf(stderr, "                    [ -records %d ]\n", 3000000);
  fprintf(stderr, "                    [ -verbosity %d]\n", 2);
  fprintf(stderr, "                    < .wfreq > .vocab\n");
}

}  // namespace

int main(int argc, char **argv) {
  lexkit::TakeHelpAndVersion(&argc, argv, help_message, lexkit::FirstOption::kVersion);
  int cutoff = pc_intarg(&argc, argv, "-gt", -1);
  int vocab_size = pc_intarg(&argc, argv, "-top", -1);
  int num_recs = pc_intarg(&argc, argv, "-records", 3000000);
  int verbosity = pc_intarg(&argc, argv, "-verbosity", 2);
  pc_report_unk_args(&argc, argv, verbosity);
  picklex_impl(stdin, stdout, cutoff, vocab_size, num_recs, verbosity);
  // Output lost on a full disk or a closed pipe must not pass for success.
  if (fflush(stdout) != 0 || ferror(stdout))
    quit(-1, "picklex : Error : could not write the vocabulary: %s\n",
         strerror(errno));
  return 0;
}
