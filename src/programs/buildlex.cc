// buildlex: an id n-gram file and its vocabulary -> a back-off language
// model, written as an ARPA text model and/or a binary model.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lexkit/buildlex.h"
#include "lexkit/general.h"
#include "lexkit/pc_general.h"
#include "libs/base/program_start.h"
#include "libs/io/cleanup.h"

namespace {

void help_message() {
  fprintf(stderr, "buildlex : Build a back-off language model from an id n-gram file.\n");
  fprintf(stderr, "Usage : buildlex -idngram .idngram\n");
  fprintf(stderr, "                 -vocab .vocab\n");
  fprintf(stderr, "                 -arpa .arpa | -binary .binlm\n");
  fprintf(stderr, "                [ -n 3 ]\n");
  fprintf(stderr, "                [ -ascii_input ]\n");
  fprintf(stderr, "                [ -good_turing | -absolute | -linear | -witten_bell ]\n");
  fprintf(stderr, "                [ -cutoffs 0 0 ... ]            (one per order from 2)\n");
  fprintf(stderr, "                [ -disc_ranges 7 7 7 ... ]      (one per order)\n");
  fprintf(stderr, "                [ -fof_size 10 ]\n");
  fprintf(stderr, "                [ -vocab_type open | closed ]\n");
  fprintf(stderr, "                [ -context .ccs ]\n");
  fprintf(stderr, "                [ -four_byte_counts ]\n");
  fprintf(stderr, "                [ -four_byte_alphas ]\n");
  fprintf(stderr, "                [ -min_alpha -3.2 ] [ -max_alpha 2.5 ]\n");
  fprintf(stderr, "                [ -out_of_range_alphas 10000 ]\n");
  fprintf(stderr, "                [ -verbosity 2 ]\n");
}

flag Flag(int *argc, char **argv, const char *name) {
  return static_cast<flag>(pc_flagarg(argc, argv, name));
}

}  // namespace

int main(int argc, char **argv) {
  lexkit::TakeHelpAndVersion(&argc, argv, help_message, lexkit::FirstOption::kVersion);
  buildlex_options o;
  buildlex_default_options(&o);
  o.idngram_filename = pc_stringarg(&argc, argv, "-idngram", nullptr);
  o.vocab_filename = pc_stringarg(&argc, argv, "-vocab", nullptr);
  o.arpa_filename = pc_stringarg(&argc, argv, "-arpa", nullptr);
  o.bin_filename = pc_stringarg(&argc, argv, "-binary", nullptr);
  o.context_cues_filename = pc_stringarg(&argc, argv, "-context", nullptr);
  o.n = pc_intarg(&argc, argv, "-n", o.n);
  o.ascii_input = Flag(&argc, argv, "-ascii_input");
  o.good_turing = Flag(&argc, argv, "-good_turing");
  o.absolute = Flag(&argc, argv, "-absolute");
  o.linear = Flag(&argc, argv, "-linear");
  o.witten_bell = Flag(&argc, argv, "-witten_bell");
  if (o.n >= 1 && o.n <= BUILDLEX_MAX_ORDER) {
    pc_intarrayarg(&argc, argv, "-cutoffs", o.n - 1, o.cutoffs);
    pc_intarrayarg(&argc, argv, "-disc_ranges", o.n, o.disc_ranges);
  }
  o.fof_size = pc_intarg(&argc, argv, "-fof_size", o.fof_size);
  const char *vocab_type = pc_stringarg(&argc, argv, "-vocab_type", "open");
  o.four_byte_counts = Flag(&argc, argv, "-four_byte_counts");
  o.four_byte_alphas = Flag(&argc, argv, "-four_byte_alphas");
  o.min_alpha = pc_doublearg(&argc, argv, "-min_alpha", o.min_alpha);
  o.max_alpha = pc_doublearg(&argc, argv, "-max_alpha", o.max_alpha);
  o.out_of_range_alphas = pc_intarg(&argc, argv, "-out_of_range_alphas", o.out_of_range_alphas);
  o.verbosity = pc_intarg(&argc, argv, "-verbosity", o.verbosity);
  pc_report_unk_args(&argc, argv, o.verbosity);

  if (o.idngram_filename == nullptr || o.vocab_filename == nullptr ||
      (o.arpa_filename == nullptr && o.bin_filename == nullptr)) {
    help_message();
    quit(-1, "buildlex : Error : -idngram, -vocab and one of -arpa and -binary are required.\n");
  }
  if (strcmp(vocab_type, "open") != 0 && strcmp(vocab_type, "closed") != 0)
    quit(-1, "buildlex : Error : -vocab_type is open or closed, not '%s'.\n", vocab_type);
  o.closed_vocabulary = strcmp(vocab_type, "closed") == 0;

  lexkit::InstallCleanupHandlers();  // temporaries go on every exit and signal
  buildlex_impl(&o);
  pc_message(static_cast<unsigned short>(o.verbosity), 0, "buildlex : Done.\n");
  return 0;
}
