// Expected catalogue rows are kept as readable UTF-8 text; this splits them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace catalogue_test {

// Pieces of `text` between `sep`s, empty ones kept; always at least one.
inline std::vector<std::string> Split(std::string_view text, char sep) {
  std::vector<std::string> pieces;
  for (size_t start = 0;;) {
    const size_t end = text.find(sep, start);
    pieces.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

// One entry per space-separated word, its fields split at `sep`.
inline std::vector<std::vector<std::string>> Entries(std::string_view text, char sep) {
  std::vector<std::vector<std::string>> entries;
  for (const std::string& word : Split(text, ' ')) entries.push_back(Split(word, sep));
  return entries;
}

}  // namespace catalogue_test
