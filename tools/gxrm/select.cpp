// select.cpp: `gxrm select FILE [QUERY] [--format text|csv|json|xlsx]
// [--encoding utf-8|gbk] [-o OUT]`, the components a query selects as a table.
// Exit status as grep: 0 something matched, 1 nothing did, 2 trouble.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

#include "edit/session.h"
#include "json_model.h"
#include "output.h"
#include "table.h"
#include "table/components.h"
#include "table/csv.h"
#include "table/xlsx.h"
#include "tool.h"

namespace gxrm::tool {
namespace {

struct SelectOptions {
  std::string file;
  std::string query;
  std::string format;
  std::string encoding = "utf-8";
  std::string out;
};

// clang-format off
const std::map<std::string, std::string> kFormatByExtension = {
    {".txt", "text"},
    {".csv", "csv"},
    {".json", "json"},
    {".xlsx", "xlsx"},
};
// clang-format on

std::string FormatOf(const SelectOptions& options) {
  if (!options.format.empty()) return options.format;
  if (options.out.empty()) return "text";
  const auto found = kFormatByExtension.find(std::filesystem::path(options.out).extension().string());
  if (found == kFormatByExtension.end())
    throw ToolError(options.out + ": cannot tell the format from the name; give --format");
  return found->second;
}

std::string Json(const std::vector<Row>& rows) {
  model::Json items = model::Json::array();
  for (std::size_t r = 1; r < rows.size(); ++r) {
    model::Json& item = items.emplace_back(model::Json::object());
    for (std::size_t c = 0; c < rows[0].size(); ++c) item[rows[0][c]] = rows[r][c];
  }
  return items.dump(2) + '\n';
}

std::string Text(const std::vector<Row>& rows) {
  std::ostringstream out;
  if (rows.size() > 1) PrintTable(out, rows);
  return out.str();
}

std::string Render(const std::vector<Row>& rows, const std::string& format, const std::string& encoding) {
  if (format == "csv")
    return table::WriteCsv(rows, encoding == "gbk" ? table::Encoding::kGbk : table::Encoding::kUtf8);
  if (encoding != "utf-8") throw ToolError("--encoding gbk is for CSV only");
  if (format == "json") return Json(rows);
  if (format == "xlsx") return table::WriteXlsx(rows);
  return Text(rows);
}

int RunSelect(const SelectOptions& options) {
  const std::string format = FormatOf(options);
  if (format == "xlsx" && options.out.empty()) throw ToolError("xlsx output needs -o OUT");
  const gxrm::Model model = edit::LoadModel(options.file);
  const std::vector<Row> rows =
      edit::OnModel(FileName(options.file), [&] { return table::SelectRows(model, options.query); });
  const std::string bytes = Render(rows, format, options.encoding);
  if (options.out.empty())
    std::cout << bytes;
  else
    WriteOutput(options.out, options.file, bytes);
  return rows.size() > 1 ? kOk : kProblems;
}

}  // namespace

void AddSelectCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<SelectOptions>();
  CLI::App* command = AddCommand(
      app, status, "select",
      "List the components a query selects as a table (exit 0 some, 1 none, 2 trouble)", options, RunSelect);
  command->footer(
      "Exit status: 0 something matched, 1 nothing did, 2 trouble (a bad query, an unreadable file).");
  command->add_option("FILE", options->file, "GXRM file")->required();
  command->add_option("QUERY", options->query,
                      "Which components (see docs/query.md); all instances if left out");
  command
      ->add_option("--format", options->format, "Output format; by default from OUT's extension, else text")
      ->check(CLI::IsMember({"text", "csv", "json", "xlsx"}));
  command
      ->add_option("--encoding", options->encoding,
                   "CSV text encoding (utf-8 with a byte order mark, or gbk)")
      ->check(CLI::IsMember({"utf-8", "gbk"}));
  command->add_option("-o,--output", options->out, "Write the table to OUT (- for standard output)");
}

}  // namespace gxrm::tool
