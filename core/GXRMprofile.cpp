#include "core/GXRMprofile.h"

#include <strings.h>

#include <fstream>
#include <string_view>

namespace gxrm {

namespace {

std::string_view Trim(std::string_view s) {
  const char* blanks = " \t\r\n";
  size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

bool SameName(std::string_view a, const std::string& b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              size_t max_chars) {
  std::ifstream in(path, std::ios::binary);
  std::string raw;
  bool in_section = false;
  while (std::getline(in, raw)) {
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (in_section) return {};  // only the first matching section counts
      size_t close = line.find(']');
      std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? close : close - 1));
      in_section = SameName(name, section);
      continue;
    }
    size_t eq = line.find('=');
    if (!in_section || eq == std::string_view::npos || !SameName(Trim(line.substr(0, eq)), key)) {
      continue;
    }
    return std::string(Unquote(Trim(line.substr(eq + 1))).substr(0, max_chars));
  }
  return {};
}

}  // namespace gxrm
