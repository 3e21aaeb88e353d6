#include "liblmest/build/model_build.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "lexkit/pc_general.h"
#include "liblmest/build/built_model.h"
#include "liblmest/build/idngram_source.h"
#include "liblmest/model/arpa_writer.h"
#include "liblmest/model/binary_writer.h"
#include "libs/io/output_file.h"
#include "libs/io/shell_quote.h"

namespace lexkit {
namespace {

// A copy of standard input, which the counting and the reading pass both
// read from the start; registered for removal however the run ends.
std::unique_ptr<TemporaryPath> SpoolStandardInput() {
  const char *dir = getenv("TMPDIR");
  std::string name = std::string(dir != nullptr && *dir ? dir : "/tmp") + "/buildlex-XXXXXX";
  const int fd = mkstemp(&name[0]);
  if (fd < 0)
    quit(-1, "buildlex : Error : could not create a copy of standard input in "
             "%s: %s\n", name.c_str(), strerror(errno));
  auto spooled = std::make_unique<TemporaryPath>(name, TemporaryPath::Kind::kFile);
  std::vector<char> block(1 << 20);
  size_t got;
  while ((got = fread_unlocked(block.data(), 1, block.size(), stdin)) > 0) {
    for (size_t done = 0; done < got;) {
      const ssize_t put = write(fd, block.data() + done, got - done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0)
        quit(-1, "buildlex : Error : could not copy standard input to %s: %s\n",
             name.c_str(), strerror(errno));
      done += static_cast<size_t>(put);
    }
  }
  if (ferror(stdin))
    quit(-1, "buildlex : Error : could not read standard input: %s\n", strerror(errno));
  close(fd);
  return spooled;
}

// A plain binary file holds whole records of n + 1 fields of 4 bytes, and
// its size tells their number: true then, with the number in *records. (A
// compressed file, a pipe or an ASCII file is counted by reading it.)
// Messages call the file `name`.
bool RecordsOfFile(const std::string &path, const char *name, int n, uint64_t *records) {
  if (EndsWith(path, ".gz") || EndsWith(path, ".Z")) return false;
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const auto record = 4 * (static_cast<long long>(n) + 1);
  if (st.st_size % record != 0)
    quit(-1, "buildlex : Error : %s holds %lld bytes, not a whole number of "
             "%d-gram records of %lld bytes; is -n right?\n",
         name, static_cast<long long>(st.st_size), n, record);
  *records = static_cast<uint64_t>(st.st_size / record);
  return true;
}

}  // namespace

ModelBuild::ModelBuild(const BuildConfig &config)
    : config_(config), verbosity_(static_cast<unsigned short>(config.verbosity)) {}

ModelBuild::~ModelBuild() = default;

void ModelBuild::Run() {
  OpenOutputs();
  LoadVocabulary();
  ReadCounts();
  ComputeDiscounts();
  Estimate();
  Write();
}

void ModelBuild::LoadVocabulary() {
  pc_message(verbosity_, 2, "buildlex : Reading the vocabulary %s.\n",
             config_.vocab_file.c_str());
  vocab_ = LoadModelVocabulary(config_);
  ng_.vocab_size = vocab_.size;
  ng_.context_cue = vocab_.cue.data();
  ng_.no_of_ccs = static_cast<unsigned short>(vocab_.cues);
  ng_.vocab_type = vocab_.closed ? 0 : 1;
  ng_.first_id = vocab_.closed ? 1 : 0;
}

std::string ModelBuild::IdNgramFile() {
  if (config_.idngram_file != "-") return config_.idngram_file;
  pc_message(verbosity_, 2, "buildlex : Copying the id n-grams of standard input.\n");
  spooled_ = SpoolStandardInput();
  return spooled_->path();
}

void ModelBuild::ReadCounts() {
  const int n = config_.order;
  const bool piped = config_.idngram_file == "-";
  const char *name = piped ? "standard input" : config_.idngram_file.c_str();
  // The number of records bounds every level. The size of a plain binary
  // file (or of the copy of standard input) tells it, so one pass reads
  // the file; any other file is counted in a pass of its own.
  idngram_file_ = IdNgramFile();
  uint64_t records = 0;
  const bool sized = !config_.ascii_input && RecordsOfFile(idngram_file_, name, n, &records);
  if (!sized) {
    pc_message(verbosity_, 2, "buildlex : Counting the id n-grams of %s.\n", name);
    FILE *fp = ox_iopen(idngram_file_.c_str());
    IdNgramSource source(fp, name, n, config_.ascii_input);
    records = CountIdNgrams(config_, vocab_, &source);
    ox_iclose(fp);
  }

  ng_.n = static_cast<unsigned short>(n);
  cutoffs_ = config_.cutoffs;
  ng_.cutoffs = cutoffs_.data();
  table_sizes_.assign(n, static_cast<table_size_t>(std::min<uint64_t>(records, INT32_MAX)));
  table_sizes_[0] = static_cast<table_size_t>(vocab_.size + 1);
  ng_.table_sizes = table_sizes_.data();
  ng_.id_gram_filename = &idngram_file_[0];
  tables_ = std::make_unique<ModelTables>(&ng_, config_.storage, records);

  init_ng_disc_method(&ng_, config_.linear, config_.absolute, config_.witten_bell,
                      config_.good_turing);
  method_ = static_cast<disc_meth_t *>(ng_.disc_meth);
  fof_rows_.assign(n, nullptr);
  fof_sizes_.assign(n, config_.fof_size);
  disc_ranges_ = config_.disc_ranges;
  ng_.freq_of_freq = fof_rows_.data();
  ng_.fof_size = fof_sizes_.data();
  ng_.disc_range = disc_ranges_.data();
  ng_.disc_range_set = 1;
  method_->allocate_freq_of_freq(&ng_);

  pc_message(verbosity_, 2, "buildlex : Reading the id n-grams of %s.\n", name);
  ng_.id_gram_fp = ox_iopen(idngram_file_.c_str());
  IdNgramSource source(ng_.id_gram_fp, name, n, config_.ascii_input);
  summary_ = lexkit::ReadCounts(config_, vocab_, &source, tables_.get(), method_, sized);
  ox_iclose(ng_.id_gram_fp);
  ng_.id_gram_fp = nullptr;
  tables_->IndexBlocks();
  ng_.n_unigrams = summary_.tokens;
  pc_message(verbosity_, 2, "buildlex : %llu records", static_cast<unsigned long long>(summary_.records));
  if (summary_.left_out > 0)
    pc_message(verbosity_, 2, " (%llu with the unknown word left out)",
               static_cast<unsigned long long>(summary_.left_out));
  pc_message(verbosity_, 2, "; the model holds");
  for (int k = 0; k < n; ++k)
    pc_message(verbosity_, 2, " %llu %d-grams%s", static_cast<unsigned long long>(tables_->size(k)),
               k + 1, k + 1 < n ? "," : ".\n");
}

void ModelBuild::ComputeDiscounts() {
  method_->compute_discount_aux(&ng_, config_.verbosity);
  method_->verbose_method(&ng_, verbosity_);
}

void ModelBuild::Estimate(bool keep_exact) {
  pc_message(verbosity_, 2, "buildlex : Estimating the probabilities and back-off weights.\n");
  estimator_ = std::make_unique<Estimator>(vocab_, tables_.get(), method_);
  estimator_->EstimateUnigrams();
  for (int k = 0; k + 1 < config_.order; ++k) {
    estimator_->ComputeBackoffWeights(k);
    estimator_->StoreBackoffWeights(k);
  }
  if (!keep_exact) estimator_->ReleaseExactWeights();
  estimator_->ReportWarnings(verbosity_);
  if (!config_.storage.four_byte_alphas && ng_.size_of_alpha_array > 0)
    pc_message(verbosity_, 2,
               "buildlex : %d back-off weights lie outside the two-byte range "
               "and are kept exactly.\n", ng_.size_of_alpha_array);
}

void ModelBuild::OpenOutputs() {
  if (!config_.arpa_file.empty() && !arpa_out_)
    arpa_out_ = std::make_unique<OutputFile>(config_.arpa_file.c_str());
  if (!config_.binary_file.empty() && !binary_out_)
    binary_out_ = std::make_unique<OutputFile>(config_.binary_file.c_str());
}

void ModelBuild::Write() {
  OpenOutputs();
  const BuiltModel model(config_, vocab_, *tables_, *estimator_);
  // Both outputs are complete before either takes its name.
  if (arpa_out_) {
    pc_message(verbosity_, 2, "buildlex : Writing the ARPA model %s.\n", config_.arpa_file.c_str());
    WriteArpa(model, arpa_out_->stream(), config_.arpa_file.c_str());
  }
  if (binary_out_) {
    pc_message(verbosity_, 2, "buildlex : Writing the binary model %s.\n", config_.binary_file.c_str());
    WriteBinaryModel(model, binary_out_->stream(), config_.binary_file.c_str());
  }
  if (arpa_out_) arpa_out_->Commit();
  if (binary_out_) binary_out_->Commit();
}

}  // namespace lexkit

extern "C" void buildlex_impl(const buildlex_options *options) {
  lexkit::ModelBuild build(lexkit::MakeBuildConfig(*options));
  build.Run();
}
