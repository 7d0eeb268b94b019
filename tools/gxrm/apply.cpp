// apply.cpp: `gxrm apply FILE TABLE (-o OUT | --in-place) [--dry-run]`, the
// edits of a table that select wrote, and a spreadsheet program changed,
// back into the model. Every row must find its component, or nothing is written.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "edit/session.h"
#include "table/components.h"
#include "table/csv.h"
#include "table/xlsx.h"
#include "tool.h"

namespace gxrm::tool {
namespace {

struct ApplyOptions {
  std::string file;
  std::string table;
  edit::Target target;
};

table::Grid ReadTable(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  if (!in.good() && !in.eof()) throw ToolError(path + ": cannot be read");
  if (!in.is_open()) throw ToolError(path + ": cannot be opened");
  return table::LooksLikeXlsx(bytes) ? table::ReadXlsx(bytes, path) : table::ReadCsv(bytes, path);
}

// Makes the cell edits; a key the component's lists do not have names its row and column.
std::size_t Apply(table::TableEdits& plan, const std::string& table) {
  std::size_t cells = 0;
  for (std::size_t i = 0; i < plan.components.size(); ++i) {
    for (const table::CellEdit& edit : plan.edits[i]) {
      try {
        if (edit.value)
          plan.components[i].Set(edit.key, *edit.value);
        else
          plan.components[i].Remove(edit.key);
      } catch (const gxrm::QueryError& e) {
        throw ToolError(table + ": row " + std::to_string(edit.row_number) + ", column " + Quoted(edit.key) +
                        ": " + e.what());
      }
      ++cells;
    }
  }
  return cells;
}

int RunApply(const ApplyOptions& options) {
  const table::Grid grid = ReadTable(options.table);
  edit::Session session(options.file, options.target);
  std::size_t components = 0;
  const std::size_t cells = edit::OnModel(FileName(options.file), [&] {
    table::TableEdits plan = table::PlanEdits(session.Model(), grid, options.table);
    components = plan.components.size();
    return Apply(plan, options.table);
  });
  const std::string changes = session.Finish(cells > 0);
  std::cout << cells << (cells == 1 ? " cell" : " cells") << " changed in " << components
            << (components == 1 ? " component\n" : " components\n") << changes;
  return kOk;
}

}  // namespace

void AddApplyCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<ApplyOptions>();
  CLI::App* command =
      AddCommand(app, status, "apply", "Write the edits of a table from gxrm select back into the model",
                 options, RunApply);
  command->add_option("FILE", options->file, "GXRM file")->required();
  command->add_option("TABLE", options->table, "CSV (UTF-8 or GBK) or XLSX table written by gxrm select")
      ->required();
  edit::AddTargetOptions(*command, options->target);
}

}  // namespace gxrm::tool
