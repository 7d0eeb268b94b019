// tool.h: what the subcommands of the gxrm tool share.
//
// Every subcommand registers itself on the CLI11 application and reports its
// exit status through `status`. A failure that ends the run is a ToolError:
// main prints it as one line "gxrm: <message>" and exits with 2.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <GXRMparser/GXRMparser.h>

namespace gxrm::tool {

// Exit status of the tool.
enum ExitStatus : int {
  kOk = 0,        // done
  kProblems = 1,  // check found problems, diff found differences, rename matched nothing
  kFailure = 2,   // bad usage, an unreadable file or a failed operation
};

// A failure that ends the run; what() is the whole message line.
class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Library text (GBK) to the tool's UTF-8 and back.
std::string Utf8(const CString& gbk);
CString Gbk(std::string_view utf8);

// Text in double quotes, as messages name elements and values.
std::string Quoted(std::string_view text);
// A place in the JSON model one member or one item deeper: "where.name", "where[3]".
std::string Sub(const std::string& where, std::string_view name);
std::string Sub(const std::string& where, std::size_t index);

// A message naming the first of the command-line arguments that is no valid
// UTF-8, its bad bytes escaped; empty when all are valid.
std::string NonUtf8Argument(int argc, const char* const* argv);

// A file's name in messages: "standard input" for "-".
std::string FileName(const std::string& path);
// All of standard input; a ToolError when it cannot be read.
std::string ReadStandardInput();

// Loads `path` (UTF-8; "-" reads standard input) into the reader; a
// ToolError naming the file and the reason (line and column for XML errors)
// when it cannot be loaded or its root is no GXRM model's.
void Load(CGXRMreader& reader, const std::string& path);

// The failure for a file whose root element `root` is no model's.
ToolError NotAModel(const std::string& name, const std::string& root);

// The message for a floor name the file lacks: "FILE: no floor named 'F'",
// with the file's floors, or the closest of them when there are many.
std::string NoSuchFloor(const std::string& file, const std::string& floor,
                        const std::vector<std::string>& floors);
// The names of the "Floor" elements under the root, in order.
std::vector<std::string> FloorNames(const gxrm::dom::Element& root);

// The configuration file the library reads its format version from.
std::string ConfigurationPath();
// Shows the library's configuration message with what it means, in English.
void ExplainConfigurationMessages();

// A component type given by its Chinese name (UTF-8), its enum name or its number 0..47.
GXRM_objType_base::Type ParseType(const std::string& text);

// One catalogue type as it stands in every object list.
struct CatalogueType {
  GXRM_obj_base::Kind kind;
  GXRM_objType_base::Type type;
  std::string kind_element;  // the kind element's name
  std::string name;          // the Chinese type name, UTF-8
  int speciality;            // 0: common to specialities 1 and 2
};
// All 48 types in the order of an object list: kinds by value, then catalogue order.
const std::vector<CatalogueType>& CatalogueTypes();

// Runs `work`; a gxrm::DomError it raises becomes a ToolError naming `file`.
template <typename Work>
auto OnFile(const std::string& file, Work&& work) -> decltype(work()) {
  try {
    return work();
  } catch (const gxrm::DomError& e) {
    throw ToolError(file + ": " + e.what());
  }
}

// A subcommand's exit status unless it says otherwise in its own help.
inline constexpr char kExitDoneOrTrouble[] = "Exit status: 0 done, 2 trouble (one line on standard error).";

// A subcommand whose callback runs `run` on the options its flags fill.
template <typename Options>
CLI::App* AddCommand(CLI::App& app, int& status, const char* name, const char* description,
                     const std::shared_ptr<Options>& options, int (*run)(const Options&)) {
  CLI::App* command = app.add_subcommand(name, description);
  command->callback([options, run, &status] { status = run(*options); });
  command->footer(kExitDoneOrTrouble);
  return command;
}

// Subcommand registration (one source file each).
void AddSampleCommand(CLI::App& app, int& status);
void AddInfoCommand(CLI::App& app, int& status);
void AddDumpCommand(CLI::App& app, int& status);
void AddBuildCommand(CLI::App& app, int& status);
void AddCheckCommand(CLI::App& app, int& status);
void AddRenameCommand(CLI::App& app, int& status);
void AddCatalogueCommand(CLI::App& app, int& status);
void AddDiffCommand(CLI::App& app, int& status);
void AddReportCommand(CLI::App& app, int& status);
void AddSelectCommand(CLI::App& app, int& status);
void AddSetCommand(CLI::App& app, int& status);
void AddApplyCommand(CLI::App& app, int& status);

}  // namespace gxrm::tool
