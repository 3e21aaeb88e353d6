// The model-building pipeline: one object that holds the model record and
// runs the stages in order, each a method:
//
//   LoadVocabulary    the vocabulary and the context cues
//   ReadCounts        the levels and the method's tallies from the id
//                     n-gram file (counted first when its size does not
//                     tell its number of records)
//   ComputeDiscounts  the method's parameters from its tallies
//   Estimate          unigram probabilities, then the back-off weights of
//                     each level, stored in the compact tables
//   Write             the ARPA and binary models, committed together
//
// Run does all of it. The method is attached by init_ng_disc_method and
// used only through its record, so this code never knows which it is.
#ifndef LEXKIT_LIBLMEST_BUILD_MODEL_BUILD_H
#define LEXKIT_LIBLMEST_BUILD_MODEL_BUILD_H

#include <memory>
#include <string>
#include <vector>

#include "lexkit/ngram.h"
#include "liblmest/build/build_config.h"
#include "liblmest/build/estimator.h"
#include "liblmest/build/model_tables.h"
#include "liblmest/build/model_vocabulary.h"
#include "liblmest/build/read_counts.h"
#include "libs/io/cleanup.h"
#include "libs/io/output_file.h"

namespace lexkit {

class ModelBuild {
 public:
  explicit ModelBuild(const BuildConfig &config);
  ~ModelBuild();
  ModelBuild(const ModelBuild &) = delete;
  ModelBuild &operator=(const ModelBuild &) = delete;

  void Run();

  // Makes the outputs named by the config, so that one that cannot be
  // written ends the run before any work (Write makes them if not yet made).
  void OpenOutputs();
  void LoadVocabulary();
  void ReadCounts();
  void ComputeDiscounts();
  // With `keep_exact`, the estimator keeps each level's back-off weights
  // as computed, besides their compact form.
  void Estimate(bool keep_exact = false);
  void Write();

  const ModelVocabulary &vocab() const { return vocab_; }
  const ModelTables &tables() const { return *tables_; }
  Estimator &estimator() { return *estimator_; }
  const CountSummary &summary() const { return summary_; }
  ng_t *record() { return &ng_; }

 private:
  std::string IdNgramFile();

  const BuildConfig config_;
  const unsigned short verbosity_;
  ModelVocabulary vocab_;
  ng_t ng_{};
  disc_meth_t *method_ = nullptr;
  // Per-level arrays of the record that the pipeline provides.
  std::vector<table_size_t> table_sizes_;
  std::vector<cutoff_t> cutoffs_;
  std::vector<fof_t *> fof_rows_;
  std::vector<fof_sz_t> fof_sizes_;
  std::vector<unsigned short> disc_ranges_;
  std::string idngram_file_;  // the file read (a copy of standard input)
  std::unique_ptr<TemporaryPath> spooled_;  // that copy, removed at the end
  std::unique_ptr<OutputFile> arpa_out_, binary_out_;
  std::unique_ptr<ModelTables> tables_;
  std::unique_ptr<Estimator> estimator_;
  CountSummary summary_;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_BUILD_MODEL_BUILD_H
