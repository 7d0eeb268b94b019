// GXRMtext.h: conversion between the hosts' GBK text and the UTF-8 of the DOM.
//
// Hosts hand the library 8-bit text in code page 936 (GBK). GB18030, the
// superset of GBK, is used for both directions so that a character GBK cannot
// hold travels as its four-byte GB18030 sequence and comes back unchanged.
// Where glibc's GB18030 and code page 936 disagree (the euro byte 0x80 and 24
// two-byte codes of private-use characters), host text follows code page 936.
// ASCII text passes without conversion. One host sequence does not come back
// as it went: A2E3, GB18030's euro sign, reads as the euro and is written
// back as code page 936's euro byte 0x80.
#pragma once

#include <string>
#include <string_view>

#include "GXRMapi.h"

namespace gxrm {

/// UTF-8 to GBK/GB18030. Raises DomError 0x80070459 on invalid UTF-8.
GXRM_API CString FromUtf8(std::string_view utf8);

/// GBK/GB18030 to UTF-8. Raises DomError 0x80070459 on text that is no valid GB18030.
GXRM_API std::string ToUtf8(const CString& gbk);

}  // namespace gxrm
