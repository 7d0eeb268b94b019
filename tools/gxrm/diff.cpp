// diff.cpp: `gxrm diff OLD NEW [--json] [--floor NAME] [--type TYPE]`, what
// changed between two models. Exit status as diff(1): 0 same, 1 different,
// 2 trouble.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <sstream>

#include "diff_model.h"
#include "edit/session.h"
#include "tool.h"

namespace gxrm::tool {
namespace {
using diff::Change;

struct DiffOptions {
  std::string old_file;
  std::string new_file;
  bool json = false;
  std::string floor;
  std::string type;
  CLI::Option* floor_option = nullptr;
};

std::string Quoted(const diff::Text& value) {
  if (!value) return "(none)";
  return model::Json(*value).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// "floor \"第1层\", 剪力墙:" and the like: the group a change is filed under.
std::string GroupTitle(const Change& c) {
  if (!c.floor && !c.type) return "file:";
  std::string title = c.floor ? "floor " + Quoted(c.floor) : "global list";
  return title + (c.type ? ", " + *c.type : "") + ":";
}

void PrintChange(const Change& c, std::ostream& out) {
  // Names and ids are quoted as values are: a line break in one cannot forge a line.
  out << "  " << diff::WhatName(c.what) << ' ' << c.kind << ' ' << Quoted(c.name);
  if (c.id) out << " (id " << Quoted(c.id) << ')';
  out << '\n';
  for (const diff::AttributeChange& a : c.attributes) {
    out << "    " << a.element << '[' << a.index << "] " << a.name << ": " << Quoted(a.old_value) << " -> "
        << Quoted(a.new_value) << '\n';
  }
}

void PrintText(const std::vector<Change>& changes, std::ostream& out) {
  const diff::Summary s = diff::Summarise(changes);
  out << s.added << " added, " << s.removed << " removed, " << s.changed << " changed\n";
  std::string group;
  for (const Change& c : changes) {
    const std::string title = GroupTitle(c);
    if (title != group) out << (group = title) << '\n';
    PrintChange(c, out);
  }
}

int RunDiff(const DiffOptions& options) {
  diff::Filter filter;
  if (!options.type.empty())
    filter.type_name = Utf8(CGXRMobjTypeBase::GetObjTypeName(ParseType(options.type)));
  if (options.floor_option->count() > 0) filter.floor = options.floor;
  const auto [old_model, new_model] = edit::LoadBoth(options.old_file, options.new_file);
  if (filter.floor && !diff::HasFloor(old_model, *filter.floor) &&
      !diff::HasFloor(new_model, *filter.floor)) {
    throw ToolError(NoSuchFloor(FileName(options.new_file), *filter.floor,
                                FloorNames(new_model.Document().documentElement())) +
                    "; neither file has it");
  }
  const std::vector<Change> changes =
      edit::OnModel(FileName(options.new_file), [&] { return diff::Compare(old_model, new_model, filter); });
  std::ostringstream out;
  if (options.json)
    out << diff::ToJson(changes).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  else
    PrintText(changes, out);
  std::cout << out.str();
  return changes.empty() ? kOk : kProblems;
}

}  // namespace

void diff::PrintChanges(const std::vector<Change>& changes, std::ostream& out) { PrintText(changes, out); }

void AddDiffCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<DiffOptions>();
  CLI::App* command = AddCommand(app, status, "diff",
                                 "Show what changed between two models (exit 0 same, 1 different, 2 trouble)",
                                 options, RunDiff);
  command->footer("Exit status: 0 the models are the same, 1 they differ, 2 trouble.");
  command->add_option("OLD", options->old_file, "The earlier GXRM file (- for standard input)")->required();
  command->add_option("NEW", options->new_file, "The later GXRM file (- for standard input)")->required();
  command->add_flag("--json", options->json, "Print the changes as JSON (see docs/diff-format.md)");
  options->floor_option =
      command->add_option("--floor", options->floor, "Only this floor and its object list");
  command->add_option("--type", options->type, "Only this component type (Chinese name or number)");
}

}  // namespace gxrm::tool
