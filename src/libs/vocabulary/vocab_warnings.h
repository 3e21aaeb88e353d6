// Whether this process prints the warnings of the vocabulary readers
// (ac_parsetext.h): every rank of an MPI job reads the one vocabulary file,
// and only rank 0 should tell the user what is wrong with it.
#ifndef LEXKIT_LIBS_VOCABULARY_VOCAB_WARNINGS_H
#define LEXKIT_LIBS_VOCABULARY_VOCAB_WARNINGS_H

namespace lexkit {

// On by default.
void ShowVocabularyWarnings(bool show);

}  // namespace lexkit

#endif  // LEXKIT_LIBS_VOCABULARY_VOCAB_WARNINGS_H
