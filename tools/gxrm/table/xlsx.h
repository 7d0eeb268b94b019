// xlsx.h: spreadsheet (XLSX) tables of text cells.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "grid.h"

namespace gxrm::tool::table {

// The rows as an XLSX workbook of one sheet: every cell text, the first row
// bold and frozen. Raises ToolError for a table a sheet cannot hold.
std::string WriteXlsx(const std::vector<Row>& rows);

// The rows of the first sheet of an XLSX workbook, each cell's text as
// written (numbers as their stored digits), blank rows left out, row numbers
// those of the sheet. Raises ToolError naming `name` for anything else.
Grid ReadXlsx(std::string_view bytes, const std::string& name);

// Whether the bytes start like a ZIP archive, as every XLSX file does.
bool LooksLikeXlsx(std::string_view bytes);

}  // namespace gxrm::tool::table
