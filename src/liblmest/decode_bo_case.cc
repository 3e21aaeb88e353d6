// Writes one back-off annotation line, such as "3-2x1": the orders through
// which a prediction went, from the longest context down. The case holds one
// base-4 digit per context position, the longest context in the highest
// digit; 1 is written "-", 2 "x", and any other digit ends the line.
#include <stdio.h>

#include <cstdint>

#include "lexkit/ngram.h"

namespace {

// Digits that an int can hold; a position above them holds the digit 0.
const int kDigitsInInt = 16;

}  // namespace

extern "C" void decode_bo_case(int bo_case, int context_length,
                               FILE *annotation_fp) {
  if (context_length == 0) {
    fputs("1\n", annotation_fp);
    return;
  }
  int64_t rest = bo_case;
  for (int i = context_length - 1; i >= 0; --i) {
    fprintf(annotation_fp, "%d", i + 2);
    const int64_t weight = i < kDigitsInInt ? int64_t{1} << (2 * i) : 0;
    const int64_t digit = weight != 0 ? rest / weight : 0;
    if (digit == 1) {
      fputc('-', annotation_fp);
    } else if (digit == 2) {
      fputc('x', annotation_fp);
    } else {
      fputc('\n', annotation_fp);
      return;
    }
    rest -= digit * weight;
  }
  // A negative length writes only the line end; otherwise every position
  // backed off, down to the unigram.
  fputs(context_length > 0 ? "1\n" : "\n", annotation_fp);
}
