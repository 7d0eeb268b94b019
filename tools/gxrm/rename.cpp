// rename.cpp: `gxrm rename FILE FLOOR TYPE OLD NEW`, renames instances in place.
//
// Every instance of that floor and type named OLD gets the name NEW
// (ChangeObjName); the file is saved back only when something changed, and
// the library's save replaces it in one step.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>

#include "edit/session.h"
#include "output.h"
#include "tool.h"

namespace gxrm::tool {
namespace {

struct RenameOptions {
  std::string file;
  std::string floor;
  std::string type;
  std::string oldName;
  std::string newName;
  std::string output;                    // empty: in place
  std::vector<std::string> floor_names;  // --floor OLD NEW
  CLI::Option* new_option = nullptr;
};

// Where the result goes: -o, else in place (""), except that standard input
// has no place to write back to and its result goes to standard output.
std::string OutputOf(const RenameOptions& options) {
  return options.file == "-" && options.output.empty() ? "-" : options.output;
}

// --floor: the floor and its floor information take the new name together.
int RenameFloor(const RenameOptions& options) {
  gxrm::Model model = edit::LoadModel(options.file);
  const std::string name = FileName(options.file);
  const std::string &from = options.floor_names[0], &to = options.floor_names[1];
  edit::OnModel(name, [&] { model.RenameFloor(from, to); });
  const std::string output = OutputOf(options);
  if (!output.empty())
    WriteOutput(output, options.file, model.ToString());
  else
    edit::OnModel(name, [&] { model.Save(options.file); });
  std::ostream& say = output == "-" ? std::cerr : std::cout;
  say << name << ": floor " << from << " renamed to " << to << '\n';
  return kOk;
}

int RunRename(const RenameOptions& options) {
  if (!options.floor_names.empty()) return RenameFloor(options);
  if (options.new_option->count() == 0)
    throw ToolError("rename needs FLOOR TYPE OLD NEW, or --floor OLD NEW");
  const GXRM_objType_base::Type type = ParseType(options.type);
  CGXRMreader reader;
  Load(reader, options.file);
  const CString floor = Gbk(options.floor);
  const CString oldName = Gbk(options.oldName);
  std::size_t count = 0;
  OnFile(options.file, [&] {
    IXMLDOMElementPtr floor_node;
    std::vector<CGXRMobj> instances;
    if (!reader.GetFloorNode(floor, floor_node)) {
      IXMLDOMElementPtr root;
      reader.GetRootElem(root);
      throw ToolError(NoSuchFloor(FileName(options.file), options.floor, FloorNames(root)));
    }
    if (!reader.GetObjList(floor, type, instances)) {
      throw ToolError(options.file + ": floor '" + options.floor + "' has no instance list for '" +
                      options.type + "'");
    }
    count = std::count_if(instances.begin(), instances.end(),
                          [&](const CGXRMobj& o) { return o.GetName() == oldName; });
    reader.ChangeObjName(floor, type, oldName, Gbk(options.newName));
  });
  // In place, the file is saved only when something changed; elsewhere, always.
  const std::string output = OutputOf(options);
  if (!output.empty())
    WriteDocument(reader, output, options.file);
  else if (count > 0)
    WriteDocument(reader, options.file, "");
  std::ostream& say = output == "-" ? std::cerr : std::cout;
  say << FileName(options.file) << ": " << count << (count == 1 ? " instance" : " instances") << " renamed\n";
  return count > 0 ? kOk : kProblems;
}

}  // namespace

void AddRenameCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<RenameOptions>();
  CLI::App* command =
      AddCommand(app, status, "rename",
                 "Rename the instances of one floor and type, saving the file in place", options, RunRename);
  command->footer("Exit status: 0 instances renamed, 1 no instance matched (nothing written), 2 trouble.");
  command
      ->add_option("FILE", options->file,
                   "GXRM file, rewritten in place unless -o is given (- reads standard input and writes "
                   "standard output)")
      ->required();
  command->add_option("FLOOR", options->floor, "Floor name");
  command->add_option("TYPE", options->type, "Component type: Chinese name or number 0-47");
  command->add_option("OLD", options->oldName, "Current instance name");
  options->new_option = command->add_option("NEW", options->newName, "New instance name");
  command->add_option("--floor", options->floor_names, "Rename the floor OLD to NEW instead (OLD NEW)")
      ->expected(2)
      ->excludes(command->get_option("FLOOR"));
  command->add_option("-o,--output", options->output,
                      "Write the result to this file (- for standard output)");
}

}  // namespace gxrm::tool
