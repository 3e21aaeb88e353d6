// countlex: text on stdin (or the file of "-text FILE") -> word frequency
// list on stdout.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/general.h"
#include "lexkit/pc_general.h"
#include "libs/base/program_start.h"
#ifdef LEXKIT_MPI
#include "mpi/jobs.h"
#endif

namespace {

void help_message() {
  fprintf(stderr, "countlex : Generate a word frequency list for text.\n");
  fprintf(stderr, "Usage : countlx [ -hash %d ]\n", 1000000);
  fprintf(stderr, "                  [ -verbosity 2 ]\n");
  fprintf(stderr, "                  < .text > .wfreq\n");
}

}  // namespace

int main(int argc, char **argv) {
  lexkit::TakeHelpAndVersion(&argc, argv, help_message, lexkit::FirstOption::kHelp);
  int init_nwords = pc_intarg(&argc, argv, "-hash", 1000000);
  int verbosity = pc_intarg(&argc, argv, "-verbosity", 2);
  const char *text_file = pc_stringarg(&argc, argv, "-text", nullptr);
  pc_report_unk_args(&argc, argv, verbosity);
#ifdef LEXKIT_MPI
  // Started by mpirun or srun: the ranks count the text together.
  if (lexkit::mpi::StartedByLauncher())
    return lexkit::mpi::CountlexJob(text_file, init_nwords, verbosity);
#endif
  if (text_file == nullptr) {
    pc_message(static_cast<unsigned short>(verbosity), 2,
               "countlex : Reading text from standard input...\n");
    countlex_impl(stdin, stdout, init_nwords, verbosity);
  } else {
    pc_message(static_cast<unsigned short>(verbosity), 2,
               "countlex : Reading text from %s...\n", text_file);
    FILE *text = ox_iopen(text_file);
    countlex_impl(text, stdout, init_nwords, verbosity);
    ox_iclose(text);
  }
  // Output lost on a full disk or a closed pipe must not pass for success.
  if (fflush(stdout) != 0 || ferror(stdout))
    quit(-1, "countlex : Error writing the word frequency list: %s\n",
         strerror(errno));
  pc_message(static_cast<unsigned short>(verbosity), 0, "countlex : Done.\n");
  return 0;
}
