// CommandLineToArgvW's rules: a program name ends at its closing quote or at a blank, with no
// escapes; after it, 2n backslashes before a quote give n and the quote opens or closes a quoted
// part, 2n+1 give n and a literal quote, other backslashes stand; within a quoted part, a third
// quote in a row is a literal quote.
#include "argv_model.h"

namespace glowtide::testing {

std::vector<std::u16string> SplitCommandLine(std::u16string_view line,
                                             std::u16string_view programPath) {
  if (line.empty()) return {std::u16string(programPath)};
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  std::vector<std::u16string> argv;
  std::size_t at = 0;
  if (line[0] == u'"') {
    const std::size_t close = line.find(u'"', 1);
    argv.emplace_back(line.substr(1, close == line.npos ? line.npos : close - 1));
    at = close == line.npos ? line.size() : close + 1;
  } else {
    while (at < line.size() && !blank(line[at])) ++at;
    argv.emplace_back(line.substr(0, at));
  }
  while (at < line.size() && blank(line[at])) ++at;
  if (at == line.size()) return argv;

  std::u16string current;
  std::size_t backslashes = 0;
  int quotes = 0;
  while (at < line.size()) {
    const char16_t c = line[at];
    if (blank(c) && quotes == 0) {
      argv.push_back(current);
      current.clear();
      backslashes = 0;
      while (at < line.size() && blank(line[at])) ++at;
      if (at == line.size()) return argv;
    } else if (c == u'\\') {
      current += c;
      ++backslashes;
      ++at;
    } else if (c == u'"') {
      if (backslashes % 2 == 0) {
        current.erase(current.size() - backslashes / 2);
        ++quotes;
      } else {
        current.erase(current.size() - backslashes / 2 - 1);
        current += u'"';
      }
      backslashes = 0;
      for (++at; at < line.size() && line[at] == u'"'; ++at) {
        if (++quotes == 3) {
          current += u'"';
          quotes = 0;
        }
      }
      if (quotes == 2) quotes = 0;
    } else {
      current += c;
      backslashes = 0;
      ++at;
    }
  }
  argv.push_back(current);
  return argv;
}

}  // namespace glowtide::testing
