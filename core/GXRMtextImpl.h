// GXRMtextImpl.h: the library's own text conversions (not installed).
#pragma once

#include <string>
#include <string_view>

#include "core/GXRMtext.h"

namespace gxrm {

// True when every byte is below 0x80.
bool IsAscii(std::string_view text) noexcept;

// Streaming form of TryToUtf8 for text that arrives in pieces: appends the
// UTF-8 of `gbk` to `out` and returns how many bytes it used, holding back an
// incomplete character at the end unless `last`. `ok` turns false at an
// invalid character, which then starts at the returned offset.
size_t AppendGbkAsUtf8(std::string_view gbk, std::string& out, bool last, bool& ok);

// GBK/GB18030 to UTF-8 without raising: false on invalid text (out unspecified).
bool TryToUtf8(std::string_view gbk, std::string& out);

// `gbk` itself when it is ASCII, else its UTF-8 form in `scratch`; raises as
// GbkToUtf8. Saves a copy for the ASCII text that most names and values are.
std::string_view AsUtf8(std::string_view gbk, std::string& scratch, const char* what);

// As ToUtf8, for any view; `what` names the text in the error message.
std::string GbkToUtf8(std::string_view gbk, const char* what = "text");

}  // namespace gxrm
