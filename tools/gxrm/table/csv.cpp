// csv.cpp: CSV writing and reading.
#include "csv.h"

#include "../tool.h"

namespace gxrm::tool::table {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string Field(const std::string& cell) {
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + '"';
}

// Splits UTF-8 CSV text into records; `numbers` gets each kept record's number.
Grid Parse(std::string_view text, const std::string& name) {
  Grid grid;
  Row row;
  std::string cell;
  std::size_t number = 1;
  bool quoted = false;
  auto end_row = [&] {
    row.push_back(std::move(cell));
    cell.clear();
    if (!Blank(row)) {
      grid.rows.push_back(std::move(row));
      grid.numbers.push_back(number);
    }
    row.clear();
    ++number;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        cell += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(cell));
      cell.clear();
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      end_row();
    } else {
      cell += c;
    }
  }
  if (quoted) throw ToolError(name + ": row " + std::to_string(number) + ": a quoted cell is not closed");
  if (!cell.empty() || !row.empty()) end_row();
  return grid;
}

}  // namespace

std::string WriteCsv(const std::vector<Row>& rows, Encoding encoding) {
  std::string text(encoding == Encoding::kUtf8 ? kByteOrderMark : "");
  for (const Row& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) text += (c > 0 ? "," : "") + Field(row[c]);
    text += "\r\n";
  }
  return encoding == Encoding::kUtf8 ? text : Gbk(text);
}

Grid ReadCsv(std::string_view bytes, const std::string& name) {
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    bytes.remove_prefix(kByteOrderMark.size());
  } else if (!IsUtf8(bytes)) {
    try {
      return Parse(Utf8(CString(bytes)), name);
    } catch (const gxrm::DomError&) {
      throw ToolError(name + ": the table is neither UTF-8 nor GBK text");
    }
  }
  if (!IsUtf8(bytes)) throw ToolError(name + ": the table starts as UTF-8 but is no valid UTF-8");
  return Parse(bytes, name);
}

}  // namespace gxrm::tool::table
