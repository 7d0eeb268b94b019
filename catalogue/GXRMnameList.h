// GXRMnameList.h: splitting of comma-separated GBK name lists (internal).
#pragma once

#include <cstddef>
#include <string_view>

#include "core/GXRMapi.h"

namespace gxrm::catalogue {

// Bytes of the GBK character at `pos`: lead bytes 0x81-0xFE take a trail byte.
inline std::size_t GbkCharLength(std::string_view text, std::size_t pos) {
  const auto byte = static_cast<unsigned char>(text[pos]);
  return byte >= 0x81 && byte <= 0xFE && pos + 1 < text.size() ? 2 : 1;
}

// Appends the pieces of `text` between commas that are characters of their
// own; empty pieces are kept and there is always at least one piece.
inline void SplitAtCommas(std::string_view text, CStringArray& pieces) {
  std::size_t start = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += GbkCharLength(text, pos)) {
    if (text[pos] != ',') continue;
    pieces.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
  pieces.emplace_back(text.substr(start));
}

}  // namespace gxrm::catalogue
