// gramlex: text on stdin (or the file of "-text FILE") and a vocabulary ->
// sorted id n-gram file.
//
// The text is turned into sorted temporary files of id n-grams through a
// fixed-size buffer, and the temporary files are merged into one id n-gram
// file with frequency-of-frequency statistics. A named output is written
// under a temporary name in its own directory and renamed when complete, so
// a failed run never leaves a partial file under the final name.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "lexkit/ac_hash.h"
#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/general.h"
#include "lexkit/pc_general.h"
#ifdef LEXKIT_MPI
#include "mpi/jobs.h"
#endif

namespace {

const char kProg[] = "gramlex";

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
}

// Takes "-option value" out of the argument vector; null when absent.
const char *take_string_arg(int *argc, char **argv, const char *option) {
  const char *value = nullptr;
  for (int i = 1; i < *argc;) {
    if (strcmp(argv[i], option) != 0) {
      ++i;
      continue;
    }
    if (i + 1 >= *argc) quit(-1, "%s : Error : option %s needs a value.\n", kProg, option);
    value = argv[i + 1];
    for (int j = i; j + 2 <= *argc; ++j) argv[j] = argv[j + 2];
    *argc -= 2;
  }
  return value;
}

// The number of ids the vocabulary loader will give.
long count_vocab_words(const char *path) {
  return static_cast<long>(count_vocab_entries(path));
}

// Removes a partial output and a private temporary directory when the
// process ends before the output is complete.
std::string g_partial_output;
std::string g_private_temp_dir;

void remove_leftovers() {
  if (!g_partial_output.empty()) remove(g_partial_output.c_str());
  // A failed merge keeps its inputs; say where they are.
  if (!g_private_temp_dir.empty() && rmdir(g_private_temp_dir.c_str()) != 0 &&
      errno == ENOTEMPTY)
    fprintf(stderr, "%s : temporary files kept in %s\n", kProg, g_private_temp_dir.c_str());
}

// Temporary name for `path` in the same directory, keeping its ending so a
// ".gz" or ".Z" output is still compressed.
std::string partial_name(const std::string &path) {
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + ".gramlex-" + std::to_string(getpid()) + "-" + base;
}

}  // namespace

int main(int argc, char **argv) {
  if (pc_flagarg(&argc, argv, "-help")) {
    help_message();
    exit(1);
  }
  report_version(&argc, argv);
  const char *vocab_file = take_string_arg(&argc, argv, "-vocab");
  const char *temp_root = take_string_arg(&argc, argv, "-temp");
  const char *idngram_file = take_string_arg(&argc, argv, "-idngram");
  const char *text_file = take_string_arg(&argc, argv, "-text");
  int n = pc_intarg(&argc, argv, "-n", 3);
  int buffer_mb = pc_intarg(&argc, argv, "-buffer", 100);
  int max_files = pc_intarg(&argc, argv, "-files", 20);
  int fof_size = pc_intarg(&argc, argv, "-fof_size", 10);
  flag write_ascii = static_cast<flag>(pc_flagarg(&argc, argv, "-write_ascii"));
  flag gzip_temp = static_cast<flag>(pc_flagarg(&argc, argv, "-gzip"));
  int verbosity = pc_intarg(&argc, argv, "-verbosity", 2);
  pc_report_unk_args(&argc, argv, verbosity);
  const unsigned short v = static_cast<unsigned short>(verbosity);

  if (vocab_file == nullptr) {
    help_message();
    quit(-1, "%s : Error : the option -vocab is required.\n", kProg);
  }
  if (strcmp(vocab_file, "-") == 0)
    quit(-1, "%s : Error : the vocabulary cannot be read from standard input, "
             "which carries the text.\n", kProg);
  if (n < 1) quit(-1, "%s : Error : -n must be at least 1.\n", kProg);
  if (buffer_mb < 1) quit(-1, "%s : Error : -buffer must be at least 1 (megabytes).\n", kProg);
  if (max_files < 2) quit(-1, "%s : Error : -files must be at least 2.\n", kProg);
#ifdef LEXKIT_MPI
  // Started by mpirun or srun: the ranks share the work.
  if (lexkit::mpi::StartedByLauncher())
    return lexkit::mpi::GramlexJob({text_file, vocab_file, temp_root, idngram_file, n, buffer_mb,
                                    max_files, fof_size, write_ascii != 0, gzip_temp != 0,
                                    verbosity});
#endif

  atexit(remove_leftovers);

  // A table of about twice as many chains as words, so the loader never
  // finds it full and chains stay short.
  long words = count_vocab_words(vocab_file);
  long chains = 2 * words + 3;
  if (chains > 2147483000L) quit(-1, "%s : Error : the vocabulary is too large.\n", kProg);
  struct idngram_hash_table vocabulary;
  new_idngram_hashtable(&vocabulary, nearest_prime(static_cast<int>(chains)));
  read_vocab(vocab_file, verbosity, &vocabulary, vocabulary.size);

  // The window buffer: -buffer megabytes of n-id rows.
  long long rows = static_cast<long long>(buffer_mb) * 1000000LL /
                   (static_cast<long long>(sizeof(wordid_t)) * n);
  if (rows < 1) rows = 1;
  if (rows > 2147483000LL) rows = 2147483000LL;
  // Left uninitialised: the conversion may use its own working memory, and
  // pages never touched cost nothing.
  std::unique_ptr<wordid_t, decltype(&free)> buffer(
      reinterpret_cast<wordid_t *>(
          ox_malloc(static_cast<size_t>(rows + 1) * n * sizeof(wordid_t))),
      &free);

  std::string temp_dir;
  if (temp_root != nullptr) {
    temp_dir = temp_root;
  } else {
    char templ[] = "/tmp/gramlex_XXXXXX";
    if (ox_mkdtemp(templ) == nullptr)
      quit(-1, "%s : Error : could not create a temporary directory under /tmp: %s\n",
           kProg, strerror(errno));
    temp_dir = templ;
    g_private_temp_dir = temp_dir;
  }
  const char *ext = gzip_temp ? ".gz" : "";

  FILE *text = text_file != nullptr ? ox_iopen(text_file) : stdin;
  int nfiles = read_txt2ngram_buffer(text, &vocabulary, verbosity, buffer.get(),
                                     static_cast<int>(rows), static_cast<unsigned>(n),
                                     temp_dir.c_str(), ext, nullptr);
  ox_iclose(text);
  buffer.reset();  // the merge needs no window buffer

  FILE *out = stdout;
  std::string partial;
  if (idngram_file != nullptr && strcmp(idngram_file, "-") != 0) {
    partial = partial_name(idngram_file);
    g_partial_output = partial;
    out = ox_oopen(partial.c_str());
  }
  if (nfiles > 0) {
    // The statistics are progress output: shown at verbosity 2 or more.
    merge_idngramfiles(1, nfiles, temp_dir.c_str(), ext, max_files, out, write_ascii,
                       verbosity >= 2 ? fof_size : 0, n);
  }
  if (out == stdout) {
    if (fflush(stdout) != 0 || ferror(stdout))
      quit(-1, "%s : Error writing the id n-gram file: %s\n", kProg, strerror(errno));
  } else {
    ox_oclose(out);
    if (rename(partial.c_str(), idngram_file) != 0)
      quit(-1, "%s : Error : could not rename '%s' to '%s': %s\n", kProg, partial.c_str(),
           idngram_file, strerror(errno));
    g_partial_output.clear();
  }
  pc_message(v, 0, "gramlex : Done.\n");
  return 0;
}
