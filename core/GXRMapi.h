// GXRMapi.h: export macro and the text types shared by every public header.
//
// CString holds 8-bit text in code page 936 (GBK); CStringArray is a growable
// array of such strings. Both are plain standard-library types so that hosts
// need nothing but a C++17 compiler to use the library.
#pragma once

#include <string>
#include <vector>

// The library is built with hidden visibility; this marks what it exports.
#define GXRM_API __attribute__((visibility("default")))

/// GBK text, as the host applications use it.
using CString = std::string;
/// Array of GBK strings; operations that "append" push at the end.
using CStringArray = std::vector<CString>;
