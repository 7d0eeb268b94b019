// session.cpp: editing sessions over the model interface.
#include "session.h"

#include <future>
#include <sstream>

#include "../diff_model.h"
#include "../output.h"

namespace gxrm::tool::edit {
namespace {

const Target& Checked(const std::string& file, const Target& target) {
  if (target.out.empty() && !target.in_place && !target.dry_run)
    throw ToolError("give -o OUT or --in-place to write the result (or --dry-run to see it)");
  if (target.in_place && file == "-")
    throw ToolError("--in-place needs a file: standard input has no place to write back to; give -o OUT");
  return target;
}

}  // namespace

void AddTargetOptions(CLI::App& command, Target& target) {
  CLI::Option* out =
      command.add_option("-o,--output", target.out, "Write the changed model to OUT (- for standard output)");
  command.add_flag("--in-place", target.in_place, "Write the changed model back to FILE")->excludes(out);
  command.add_flag("--dry-run", target.dry_run, "Print the changes as gxrm diff does; write nothing");
}

gxrm::Model LoadModel(const std::string& path, const gxrm::ModelLoadOptions& options) {
  const std::string name = FileName(path);
  try {
    if (path == "-") {
      const std::string bytes = ReadStandardInput();
      return OnFile(name, [&] { return gxrm::Model::Parse(bytes, name, options); });
    }
    return OnFile(path, [&] { return gxrm::Model::Load(path, options); });
  } catch (const gxrm::LoadError& e) {
    const gxrm::dom::ParseError& error = e.Where();
    std::string where;
    if (error.line > 0)
      where = "line " + std::to_string(error.line) + ", column " + std::to_string(error.linepos) + ": ";
    throw ToolError(name + ": " + where + error.reason);
  } catch (const gxrm::FormatError& e) {
    throw NotAModel(name, e.Root());
  } catch (const gxrm::ModelError& e) {
    throw ToolError(name + ": " + e.what());
  }
}

std::pair<gxrm::Model, gxrm::Model> LoadBoth(const std::string& old_path, const std::string& new_path) {
  if (old_path == "-" && new_path == "-")
    throw ToolError("standard input can give only one of the two files");
  const gxrm::ModelLoadOptions read_only{false, true};
  auto loading = std::async(std::launch::async, [&] { return LoadModel(new_path, read_only); });
  std::optional<gxrm::Model> old_model;
  try {
    old_model.emplace(LoadModel(old_path, read_only));
  } catch (...) {
    loading.wait();
    throw;
  }
  return {std::move(*old_model), loading.get()};
}

Session::Session(const std::string& file, const Target& target)
    : file_(file), target_(Checked(file, target)), model_(LoadModel(file)) {
  if (!target_.dry_run) return;
  before_.emplace(
      OnModel(FileName(file_), [&] { return gxrm::Model::Parse(model_.ToString(), FileName(file_)); }));
}

std::string Session::Finish(bool changed) {
  if (target_.dry_run) {
    const std::vector<diff::Change> changes =
        OnModel(FileName(file_), [&] { return diff::Compare(*before_, model_); });
    std::ostringstream out;
    diff::PrintChanges(changes, out);
    return out.str();
  }
  if (!target_.in_place)
    WriteOutput(target_.out, file_, OnModel(FileName(file_), [&] { return model_.ToString(); }));
  else if (changed)
    OnModel(FileName(file_), [&] { model_.Save(file_); });
  return {};
}

}  // namespace gxrm::tool::edit
