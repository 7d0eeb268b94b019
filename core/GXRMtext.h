// GXRMtext.h: conversion between the hosts' GBK text and the UTF-8 of the DOM.
//
// Hosts hand the library 8-bit text in code page 936 (GBK). GB18030, the
// superset of GBK, is used for both directions so that a character GBK cannot
// hold travels as its four-byte GB18030 sequence and comes back unchanged.
// Where glibc's GB18030 and code page 936 disagree (the euro byte 0x80 and 24
// two-byte codes of private-use characters), host text follows code page 936.
// ASCII text passes without conversion.
#pragma once

#include <string>
#include <string_view>

#include "core/GXRMapi.h"

namespace gxrm {

// UTF-8 to GBK/GB18030. Raises DomError 0x80070459 on invalid UTF-8.
GXRM_API CString FromUtf8(std::string_view utf8);

// GBK/GB18030 to UTF-8. Raises DomError 0x80070459 on text that is no valid GB18030.
GXRM_API std::string ToUtf8(const CString& gbk);

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
