// GXRMsave.h: writing a whole file safely, as documents are saved.
#pragma once

#include <string>
#include <string_view>

#include "GXRMapi.h"

namespace gxrm {

/// Writes `bytes` as the whole content of the file at `path` (UTF-8).
///
/// The bytes go to a new temporary file beside the target, created
/// exclusively without following links, which then replaces the target in one
/// rename: a failure leaves the old file as it was and no temporary file. A
/// symbolic link stays a link and its target gets the content; a read-only
/// file is refused; a new file takes the umask's mode, a replaced one keeps its
/// mode. A character device or a FIFO (/dev/stdout, /dev/null, a named pipe)
/// is written directly instead of being replaced.
///
/// Raises DomError 0x80070003 (no such directory), 0x80070005 (access denied,
/// read-only file or file system), 0x80070070 (disk full) or 0x80004005 (any
/// other failure), its message naming the path and the system's reason.
GXRM_API void SaveFile(const std::string& path, std::string_view bytes);

}  // namespace gxrm
