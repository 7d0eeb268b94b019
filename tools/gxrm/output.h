// output.h: every file the tool writes, and its standard output.
#pragma once

#include <string>
#include <string_view>

#include <GXRMparser/GXRMparser.h>

namespace gxrm::tool {

// Writes `bytes` to `out`: standard output for "-", otherwise the library's
// safe save (links written through, read-only files refused, devices and
// pipes written directly). Refuses to write over `input`, the file the
// output is made from (empty or "-" when there is none). A ToolError naming
// the file and the reason when it cannot be written.
void WriteOutput(const std::string& out, const std::string& input, std::string_view bytes);

// The document of `parser` written as WriteOutput writes bytes.
void WriteDocument(CGXRMfileParser& parser, const std::string& out, const std::string& input);

// Sends std::cout through a buffer that keeps the reason of a failed write;
// called once, first thing.
void CaptureStandardOutput();

// Flushes standard output; a ToolError with the reason when it cannot be
// written (a full disk, a closed pipe).
void FlushStandardOutput();

}  // namespace gxrm::tool
