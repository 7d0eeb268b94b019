// grid.h: a table of text cells as a CSV or spreadsheet file holds it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "../table.h"

namespace gxrm::tool::table {

// The non-empty rows of a file and their row numbers there (the first row is 1).
struct Grid {
  std::vector<Row> rows;
  std::vector<std::size_t> numbers;
};

// Whether every cell of the row is empty: spreadsheet programs keep such rows.
bool Blank(const Row& row);

// Whether the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view bytes);

}  // namespace gxrm::tool::table
