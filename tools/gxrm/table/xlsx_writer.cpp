// xlsx_writer.cpp: XLSX writing through libxlsxwriter.
#include <unistd.h>
#include <xlsxwriter.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "../tool.h"
#include "xlsx.h"

namespace gxrm::tool::table {
namespace {

constexpr char kSheet[] = "components";

// A file of our own in the temporary directory, removed with this object:
// libxlsxwriter writes only to files.
class TemporaryFile {
 public:
  TemporaryFile() {
    path_ = (std::filesystem::temp_directory_path() / "gxrm-XXXXXX.xlsx").string();
    const int fd = mkstemps(path_.data(), 5);
    if (fd < 0) throw ToolError("cannot create a temporary file in " + path_);
    close(fd);
  }
  ~TemporaryFile() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }
  std::string Bytes() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string path_;
};

void Check(lxw_error error) {
  if (error != LXW_NO_ERROR) throw ToolError(std::string("xlsx: ") + lxw_strerror(error));
}

}  // namespace

std::string WriteXlsx(const std::vector<Row>& rows) {
  if (rows.size() > LXW_ROW_MAX) throw ToolError("xlsx: more rows than a sheet holds");
  TemporaryFile file;
  lxw_workbook* workbook = workbook_new(file.Path().c_str());
  if (workbook == nullptr) throw ToolError("xlsx: cannot start a workbook");
  try {
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, kSheet);
    lxw_format* bold = workbook_add_format(workbook);
    format_set_bold(bold);
    // Cells are text: values keep "00123" and "1e3" as written.
    lxw_format* text = workbook_add_format(workbook);
    format_set_num_format(text, "@");
    const std::size_t columns = rows.empty() ? 0 : rows[0].size();
    if (columns > LXW_COL_MAX) throw ToolError("xlsx: more columns than a sheet holds");
    // Values typed into the sheet later stay text too.
    if (columns > 0) worksheet_set_column(sheet, 0, static_cast<lxw_col_t>(columns - 1), 16, text);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (std::size_t c = 0; c < rows[r].size(); ++c) {
        if (rows[r][c].empty()) continue;
        Check(worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                                     rows[r][c].c_str(), r == 0 ? bold : text));
      }
    }
    worksheet_freeze_panes(sheet, 1, 0);
  } catch (...) {
    workbook_close(workbook);
    throw;
  }
  Check(workbook_close(workbook));
  return file.Bytes();
}

}  // namespace gxrm::tool::table
