// GXRMprofile.h: reading one value of an initialisation file, as Windows
// profile files are read.
#pragma once

#include <string>

namespace gxrm {

// The value of `key` in `section` of the file at `path` (a file-system path):
// section and key names compared without regard to case, the first matching
// section and key, blanks around the value and one pair of enclosing quotes
// removed, lines starting with ';' ignored, at most `max_chars` bytes kept.
// "" when the file, the section or the key is missing.
std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              size_t max_chars);

}  // namespace gxrm
