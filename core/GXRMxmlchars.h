// GXRMxmlchars.h: what XML 1.0 lets stand in names and in text.
#pragma once

#include <string_view>

namespace gxrm::xml {

// True for a legal XML 1.0 Name (UTF-8) that the loader accepts too.
bool IsName(std::string_view utf8);
// True for valid UTF-8 made only of XML 1.0 Char characters.
bool IsText(std::string_view utf8);
// True for the four XML white-space characters only (or empty text).
bool IsWhiteSpace(std::string_view text) noexcept;

}  // namespace gxrm::xml
