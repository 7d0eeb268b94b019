// csv.h: comma-separated tables (RFC 4180) in UTF-8 or GBK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "grid.h"

namespace gxrm::tool::table {

enum class Encoding { kUtf8, kGbk };

// The rows as CSV with CRLF line ends: UTF-8 behind a byte order mark (so
// spreadsheet programs read Chinese text as such), or GBK without one. A text
// GBK cannot carry raises ToolError.
std::string WriteCsv(const std::vector<Row>& rows, Encoding encoding);

// The rows of a CSV file in UTF-8 (with or without the mark) or GBK, told
// apart by their bytes; blank rows left out. Raises ToolError naming `name`
// for text that is neither or a quoted cell left open.
Grid ReadCsv(std::string_view bytes, const std::string& name);

}  // namespace gxrm::tool::table
