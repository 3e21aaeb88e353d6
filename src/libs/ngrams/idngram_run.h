// The settings of one text-to-id-n-gram run as gramlex's options give
// them, shared by gramlex and its MPI job so that both read one record.
#ifndef LEXKIT_LIBS_NGRAMS_IDNGRAM_RUN_H
#define LEXKIT_LIBS_NGRAMS_IDNGRAM_RUN_H

namespace lexkit {

struct IdNgramRunOptions {
  const char *text_file;     // -text; null: standard input (one rank only)
  const char *vocab_file;
  const char *temp_parent;   // the private directory is made in it
  const char *idngram_file;  // "-" for standard output
  int n;
  int buffer_mb;
  int max_files;
  int fof_size;
  bool write_ascii;
  bool gzip_temp;
  int verbosity;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_NGRAMS_IDNGRAM_RUN_H
