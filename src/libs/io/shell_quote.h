// Quoting of file names for the commands that ox_iopen and ox_oopen run
// through the shell.
#ifndef LEXKIT_SHELL_QUOTE_H
#define LEXKIT_SHELL_QUOTE_H

#include <string>

namespace lexkit {

// `text` in single quotes, each embedded single quote written as '\''; the
// shell reads it back as exactly `text`.
inline std::string ShellQuote(const std::string &text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  quoted += "'";
  return quoted;
}

// `path` as one argument of a command: quoted, and with "./" in front of a
// relative name that begins with "-", so that the command does not take it
// for an option.
inline std::string ShellArg(const std::string &path) {
  return ShellQuote(!path.empty() && path[0] == '-' ? "./" + path : path);
}

inline bool EndsWith(const std::string &text, const char *suffix) {
  std::string s(suffix);
  return text.size() >= s.size() &&
         text.compare(text.size() - s.size(), s.size(), s) == 0;
}

}  // namespace lexkit

#endif  // LEXKIT_SHELL_QUOTE_H
