// Splits a command line into its blank-separated words, as an argument
// vector holds them. Only the blank separates words: a tab is part of one.
#include <algorithm>
#include <string>
#include <string_view>

#include "lexkit/general.h"
#include "lexkit/ngram.h"

extern "C" void parse_comline(const char *input_line, int *num_of_args,
                              char **args) {
  *num_of_args = 0;
  const std::string_view line(input_line);
  size_t pos = 0;
  while ((pos = line.find_first_not_of(' ', pos)) != std::string_view::npos) {
    const size_t end = std::min(line.find(' ', pos), line.size());
    // Every word is copied whole, however long: it is the caller's argument.
    const std::string word(line.substr(pos, end - pos));
    args[(*num_of_args)++] = salloc(word.c_str());
    pos = end;
  }
}
