// gramlex: text on stdin (or the file of "-text FILE") and a vocabulary ->
// sorted id n-gram file; or, with -merge, id n-gram files of separate runs
// -> one id n-gram file. Built with MPI and started by mpirun or srun, the
// ranks share the work of a text file (src/mpi).
//
// The text is turned into sorted temporary files of id n-grams through a
// fixed-size buffer, and the temporary files are merged into one id n-gram
// file with frequency-of-frequency statistics. The temporary files live in
// a private directory made inside the -temp directory; it goes, with any
// part-written output, however the run ends (libs/io/cleanup.h). A named
// output is checked before any work and written as libs/io/output_file.h
// says.
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "lexkit/ac_hash.h"
#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/general.h"
#include "lexkit/pc_general.h"
#include "libs/base/arg_vector.h"
#include "libs/base/program_start.h"
#include "libs/io/cleanup.h"
#include "libs/io/output_file.h"
#include "libs/io/private_dir.h"
#include "libs/ngrams/idngram_run.h"
#ifdef LEXKIT_MPI
#include "mpi/jobs.h"
#endif

namespace {

const char kProg[] = "gramlex";
// The frequency-of-frequency tables are printed in full: one line per count.
const int kMaxFofSize = 1000;
// Every merge input is a stream whose descriptor must be below 100
// (ox_iopen); the standard streams, the output and an intermediate file
// take some of them.
const int kMaxFiles = 90;

void help_message() {
  fprintf(stderr, "gramlex : Generate an id n-gram file from text and a vocabulary.\n");
  fprintf(stderr, "Usage : gramlex -vocab .vocab\n");
  fprintf(stderr, "                [ -n 3 ]\n");
  fprintf(stderr, "                [ -buffer 100 ]\n");
  fprintf(stderr, "                [ -temp /tmp ]\n");
  fprintf(stderr, "                [ -files 20 ]\n");
  fprintf(stderr, "                [ -write_ascii ]\n");
  fprintf(stderr, "                [ -fof_size 10 ]\n");
  fprintf(stderr, "                [ -gzip ]\n");
  fprintf(stderr, "                [ -verbosity 2 ]\n");
  fprintf(stderr, "                [ -idngram .idngram ]\n");
  fprintf(stderr, "                [ -text .text ]\n");
  fprintf(stderr, "                < .text > .idngram\n");
  fprintf(stderr, "   or : gramlex -merge .idngram ... [ -n 3 ] [ -temp /tmp ] [ -files 20 ]\n");
  fprintf(stderr, "                [ -write_ascii ] [ -fof_size 10 ] [ -verbosity 2 ]\n");
  fprintf(stderr, "                [ -idngram .idngram ] > .idngram\n");
}

// The number of ids the vocabulary loader will give.
long count_vocab_words(const char *path) {
  return static_cast<long>(count_vocab_entries(path));
}

// Takes "-merge FILE..." out of the argument vector: the arguments after
// -merge up to the next option.
std::vector<std::string> take_merge_inputs(int *argc, char **argv, bool *merge) {
  std::vector<std::string> inputs;
  *merge = false;
  for (int i = 1; i < *argc; ++i) {
    if (strcmp(argv[i], "-merge") != 0) continue;
    int end = i + 1;
    while (end < *argc && argv[end][0] != '-') inputs.push_back(argv[end++]);
    lexkit::RemoveArgs(argc, argv, i, end - i);
    *merge = true;
    --i;
  }
  return inputs;
}

struct Settings : lexkit::IdNgramRunOptions {
  bool merge;                       // -merge: the inputs are id n-gram files
  std::vector<std::string> inputs;  // of -merge
};

// The options, in the order every program takes them.
Settings read_settings(int argc, char **argv) {
  lexkit::TakeHelpAndVersion(&argc, argv, help_message, lexkit::FirstOption::kHelp);
  Settings s{};
  s.inputs = take_merge_inputs(&argc, argv, &s.merge);
  s.vocab_file = lexkit::TakeStringOption(&argc, argv, "-vocab", kProg);
  s.temp_parent = lexkit::TakeStringOption(&argc, argv, "-temp", kProg);
  s.idngram_file = lexkit::TakeStringOption(&argc, argv, "-idngram", kProg);
  s.text_file = lexkit::TakeStringOption(&argc, argv, "-text", kProg);
  s.n = pc_intarg(&argc, argv, "-n", 3);
  s.buffer_mb = pc_intarg(&argc, argv, "-buffer", 100);
  s.max_files = pc_intarg(&argc, argv, "-files", 20);
  s.fof_size = pc_intarg(&argc, argv, "-fof_size", 10);
  s.write_ascii = pc_flagarg(&argc, argv, "-write_ascii") != 0;
  s.gzip_temp = pc_flagarg(&argc, argv, "-gzip") != 0;
  s.verbosity = pc_intarg(&argc, argv, "-verbosity", 2);
  pc_report_unk_args(&argc, argv, s.verbosity);
  if (s.temp_parent == nullptr) s.temp_parent = "/tmp";
  if (s.idngram_file == nullptr) s.idngram_file = "-";
  return s;
}

long long machine_memory() {
  return static_cast<long long>(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGE_SIZE);
}

// Values that cannot give a sound run end it before any work.
void check_settings(const Settings &s) {
  if (s.merge && s.inputs.empty())
    quit(-1, "%s : Error : -merge needs at least one id n-gram file.\n", kProg);
  if (s.merge && s.vocab_file != nullptr)
    quit(-1, "%s : Error : -merge takes id n-gram files, not a vocabulary.\n", kProg);
  if (!s.merge && s.vocab_file == nullptr) {
    help_message();
    quit(-1, "%s : Error : the option -vocab is required.\n", kProg);
  }
  if (!s.merge && strcmp(s.vocab_file, "-") == 0)
    quit(-1, "%s : Error : the vocabulary cannot be read from standard input, "
             "which carries the text.\n", kProg);
  if (s.n < 1) quit(-1, "%s : Error : -n must be at least 1.\n", kProg);
  if (s.buffer_mb < 1) quit(-1, "%s : Error : -buffer must be at least 1 (megabytes).\n", kProg);
  const long long buffer_bytes = 1000000LL * s.buffer_mb;
  if (buffer_bytes > machine_memory())
    quit(-1, "%s : Error : -buffer %d asks for %lld bytes, more than the %lld bytes "
             "of memory of this machine.\n", kProg, s.buffer_mb, buffer_bytes, machine_memory());
  if (s.max_files < 2 || s.max_files > kMaxFiles)
    quit(-1, "%s : Error : -files must be at least 2 and at most %d.\n", kProg, kMaxFiles);
  if (s.fof_size < 1 || s.fof_size > kMaxFofSize)
    quit(-1, "%s : Error : -fof_size must be at least 1 and at most %d.\n", kProg, kMaxFofSize);
}

bool holds_words(const struct idngram_hash_table &table) {
  for (int i = 0; i < table.size; ++i)
    if (table.chain[i]->next != nullptr) return true;
  return false;
}

struct idngram_hash_table load_vocabulary(const Settings &s) {
  // A table of about twice as many chains as words, so the loader never
  // finds it full and chains stay short.
  long words = count_vocab_words(s.vocab_file);
  long chains = 2 * words + 3;
  if (chains > 2147483000L) quit(-1, "%s : Error : the vocabulary is too large.\n", kProg);
  struct idngram_hash_table vocabulary;
  new_idngram_hashtable(&vocabulary, nearest_prime(static_cast<int>(chains)));
  read_vocab(s.vocab_file, s.verbosity, &vocabulary, vocabulary.size);
  // Every word would be unknown, and the n-grams all zeros.
  if (!holds_words(vocabulary))
    quit(-1, "%s : Error : the vocabulary '%s' holds no words.\n", kProg, s.vocab_file);
  return vocabulary;
}

// The text (standard input or -text) -> temporary files 1, 2, ... in `dir`; returns
// their number.
int text_to_temporary_files(const Settings &s, struct idngram_hash_table *vocabulary,
                            const std::string &dir) {
  // The buffer holds -buffer megabytes of n-id windows; the conversion
  // allocates it itself.
  long long rows = 1000000LL * s.buffer_mb / (static_cast<long long>(sizeof(wordid_t)) * s.n);
  if (rows < 1) rows = 1;
  if (rows > 2147483000LL) rows = 2147483000LL;
  FILE *text = s.text_file != nullptr ? ox_iopen(s.text_file) : stdin;
  const int nfiles = read_txt2ngram_buffer(text, vocabulary, s.verbosity, nullptr,
                                           static_cast<int>(rows), static_cast<unsigned>(s.n),
                                           dir.c_str(), s.gzip_temp ? ".gz" : "", nullptr);
  if (text != stdin) ox_iclose(text);
  return nfiles;
}

bool ends_with(const std::string &name, const char *suffix) {
  const size_t len = strlen(suffix);
  return name.size() >= len && name.compare(name.size() - len, len, suffix) == 0;
}

// The -merge inputs as the numbered files of `dir` that the merge reads:
// symbolic links, which the merge deletes in place of the user's files. A
// compressed input's link is named with its ending ("3.gz"); opening "3"
// finds it.
int link_merge_inputs(const Settings &s, const std::string &dir) {
  const long long record = 4LL * (s.n + 1);
  std::string cwd;
  for (size_t i = 0; i < s.inputs.size(); ++i) {
    const std::string &input = s.inputs[i];
    struct stat st;
    if (stat(input.c_str(), &st) != 0)
      quit(-1, "%s : Error : cannot read '%s': %s\n", kProg, input.c_str(), strerror(errno));
    const bool compressed = ends_with(input, ".gz") || ends_with(input, ".Z");
    if (!compressed && S_ISREG(st.st_mode) && st.st_size % record != 0)
      quit(-1, "%s : Error : '%s' is not a binary id n-gram file of order %d: its size, "
               "%lld bytes, is not a multiple of %lld.\n",
           kProg, input.c_str(), s.n, static_cast<long long>(st.st_size), record);
    if (input[0] != '/' && cwd.empty()) {
      std::vector<char> buf(PATH_MAX);
      if (getcwd(buf.data(), buf.size()) == nullptr)
        quit(-1, "%s : Error : cannot find the current directory: %s\n", kProg, strerror(errno));
      cwd = buf.data();
    }
    const std::string target = input[0] == '/' ? input : cwd + "/" + input;
    const std::string ending = ends_with(input, ".gz") ? ".gz" : ends_with(input, ".Z") ? ".Z" : "";
    const std::string link = dir + "/" + std::to_string(i + 1) + ending;
    if (symlink(target.c_str(), link.c_str()) != 0)
      quit(-1, "%s : Error : cannot make '%s': %s\n", kProg, link.c_str(), strerror(errno));
  }
  return static_cast<int>(s.inputs.size());
}

// Temporary files 1..nfiles of `dir` -> the id n-gram file.
void merge_temporary_files(const Settings &s, int nfiles, const std::string &dir, FILE *out) {
  if (nfiles == 0) return;
  // The statistics are progress output: shown at verbosity 2 or more.
  merge_idngramfiles(1, nfiles, dir.c_str(), s.gzip_temp && !s.merge ? ".gz" : "", s.max_files,
                     out, s.write_ascii, s.verbosity >= 2 ? s.fof_size : 0, s.n);
}

}  // namespace

int main(int argc, char **argv) {
  const Settings settings = read_settings(argc, argv);
  check_settings(settings);
#ifdef LEXKIT_MPI
  if (!settings.merge && lexkit::mpi::StartedByLauncher())  // the ranks share the work
    return lexkit::mpi::GramlexJob(settings);
#endif
  lexkit::InstallCleanupHandlers();
  lexkit::OutputFile output(settings.idngram_file);  // before any work
  FILE *out = output.stream();
  lexkit::PrivateDirectory temp(settings.temp_parent, kProg);

  int nfiles;
  if (settings.merge) {
    nfiles = link_merge_inputs(settings, temp.path());
  } else {
    struct idngram_hash_table vocabulary = load_vocabulary(settings);
    nfiles = text_to_temporary_files(settings, &vocabulary, temp.path());
  }
  merge_temporary_files(settings, nfiles, temp.path(), out);
  output.Commit();
  pc_message(static_cast<unsigned short>(settings.verbosity), 0, "gramlex : Done.\n");
  return 0;
}
