// session.h: loading a model to change it, and writing it out, for the
// commands that edit models (set, apply, rename --floor).
//
// A session writes only where it is told: -o OUT, or FILE itself with
// --in-place; --dry-run prints the changes in diff's text form instead.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <utility>

#include "../tool.h"
#include "model/GXRMmodel.h"

namespace gxrm::tool::edit {

struct Target {
  std::string out;
  bool in_place = false;
  bool dry_run = false;
};

// Adds -o, --in-place and --dry-run to the command.
void AddTargetOptions(CLI::App& command, Target& target);

// Loads a model; a ToolError naming the file (and line and column) when it cannot be.
gxrm::Model LoadModel(const std::string& path, const gxrm::ModelLoadOptions& options = {});
// Loads two models at once (OLD, NEW), one per thread and without their
// layout (they are read, not saved); the first failure is raised.
std::pair<gxrm::Model, gxrm::Model> LoadBoth(const std::string& old_path, const std::string& new_path);

// Runs `work`; the model interface's errors become ToolErrors, a query's
// naming its term, the others naming `file`.
template <typename Work>
auto OnModel(const std::string& file, Work&& work) -> decltype(work()) {
  try {
    return OnFile(file, work);
  } catch (const gxrm::QueryError& e) {
    throw ToolError(e.what());
  } catch (const gxrm::ModelError& e) {
    throw ToolError(file + ": " + e.what());
  }
}

class Session {
 public:
  // Refuses (ToolError) a target that is neither -o, --in-place nor
  // --dry-run before loading anything.
  Session(const std::string& file, const Target& target);
  gxrm::Model& Model() { return model_; }
  // Writes the model: to OUT always, to FILE only when `changed`. A dry run
  // writes nothing and returns the changes in diff's text form instead.
  std::string Finish(bool changed);

 private:
  std::string file_;
  Target target_;
  gxrm::Model model_;
  std::optional<gxrm::Model> before_;  // dry run: the model as loaded
};

}  // namespace gxrm::tool::edit
