// table.h: plain-text tables for the terminal.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tool.h"

namespace gxrm::tool {

using Row = std::vector<std::string>;

// Columns a UTF-8 text takes on a terminal: CJK and full-width characters two.
std::size_t DisplayWidth(std::string_view utf8);

// Prints the rows as left-aligned columns two spaces apart, each line
// starting with `indent`; trailing blanks are not written.
void PrintTable(std::ostream& out, const std::vector<Row>& rows, const std::string& indent = "");

// "name=value" pairs of a record, separated by blanks (UTF-8).
std::string PairsText(const CGXRMnode::AttMap& pairs);

}  // namespace gxrm::tool
