// set.cpp: `gxrm set FILE QUERY KEY=VALUE... (-o OUT | --in-place) [--dry-run]`,
// one change to every component a query selects. KEY is LIST.ATTR, name or
// id; an empty VALUE removes the attribute. Exit 0 something matched, 1
// nothing did (nothing written), 2 trouble.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>

#include "edit/session.h"
#include "table/components.h"
#include "tool.h"

namespace gxrm::tool {
namespace {

struct SetOptions {
  std::string file;
  std::string query;
  std::vector<std::string> assignments;
  edit::Target target;
};

struct Assignment {
  std::string key;
  std::string value;  // empty: remove
};

std::vector<Assignment> ParseAssignments(const std::vector<std::string>& texts) {
  std::vector<Assignment> assignments;
  for (const std::string& text : texts) {
    const std::size_t equals = text.find('=');
    const std::string key = text.substr(0, equals);
    if (equals == std::string::npos ||
        (key != table::column::kName && key != table::column::kId && !table::IsAttributeKey(key)))
      throw ToolError("bad assignment " + Quoted(text) + ": give LIST.ATTR=VALUE, name=VALUE or id=VALUE");
    assignments.push_back({key, text.substr(equals + 1)});
  }
  return assignments;
}

// Makes one assignment on the component; whether it changed anything.
bool Assign(gxrm::Component& component, const Assignment& a) {
  if (a.value.empty()) return component.Remove(a.key);
  if (a.key == table::column::kName || a.key == table::column::kId) {
    const bool name = a.key == table::column::kName;
    if ((name ? component.Name() : component.Id()) == a.value) return false;
    name ? component.SetName(a.value) : component.SetId(a.value);
    return true;
  }
  const std::optional<std::string> current = component.Get(a.key);
  if (current == a.value) return false;
  component.Set(a.key, a.value);
  return true;
}

int RunSet(const SetOptions& options) {
  const std::vector<Assignment> assignments = ParseAssignments(options.assignments);
  edit::Session session(options.file, options.target);
  std::size_t changed = 0;
  const std::size_t matched = edit::OnModel(FileName(options.file), [&] {
    std::vector<gxrm::Component> components = session.Model().Select(options.query);
    for (gxrm::Component& component : components) {
      bool any = false;
      for (const Assignment& a : assignments) any = Assign(component, a) || any;
      changed += any;
    }
    return components.size();
  });
  if (matched == 0) {
    std::cerr << "gxrm: no component matches " << Quoted(options.query) << '\n';
    return kProblems;
  }
  const std::string changes = session.Finish(changed > 0);
  std::cout << changed << (changed == 1 ? " component" : " components") << " changed\n" << changes;
  return kOk;
}

}  // namespace

void AddSetCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<SetOptions>();
  CLI::App* command = AddCommand(
      app, status, "set",
      "Set attributes, names or ids of the components a query selects (exit 0 some, 1 none, 2 trouble)",
      options, RunSet);
  command->footer("Exit status: 0 something matched, 1 nothing did (nothing written), 2 trouble.");
  command->add_option("FILE", options->file, "GXRM file")->required();
  command->add_option("QUERY", options->query, "Which components (see docs/query.md)")->required();
  command->add_option("KEY=VALUE", options->assignments, "LIST.ATTR, name or id and its value; empty removes")
      ->required();
  edit::AddTargetOptions(*command, options->target);
}

}  // namespace gxrm::tool
