// main.cpp: the gxrm command-line tool: look into, check and write GXRM files.
//
// Exit status: 0 success, 1 as each command says (check found problems, diff
// found differences, rename matched nothing), 2 on bad usage, an unreadable
// file or a failed operation, with one line on standard error.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>

#include "output.h"
#include "tool.h"

namespace {

// CLI11 reports a mistyped command as a missing one; the tool names it instead.
bool KnownCommand(CLI::App& app, const std::string& name) {
  return !app.get_subcommands([&](CLI::App* command) { return command->check_name(name); }).empty();
}

// What --version prints: the program, the library, and the version of the files it writes.
std::string VersionText() {
  CGXRMfileParser parser;
  const std::string version = gxrm::tool::Utf8(parser.GetGXRMversion());
  return std::string("gxrm (GXRMparser ") + gxrm::Version() + ")\nwrites GXRM files of version " +
         (version.empty() ? "(none: see " + gxrm::tool::ConfigurationPath() + ")" : version);
}

// `status`, or kFailure when standard output could not be written.
int Flushed(int status) {
  try {
    gxrm::tool::FlushStandardOutput();
    return status;
  } catch (const gxrm::tool::ToolError& e) {
    std::cerr << "gxrm: " << e.what() << '\n';
    return gxrm::tool::kFailure;
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace gxrm::tool;
  CLI::App app{"Look into, check and write GXRM building-model files.", "gxrm"};
  CaptureStandardOutput();
  app.require_subcommand(1);
  app.set_version_flag("-V,--version", VersionText,
                       "Print the program, the library version and the file version it writes, and exit");
  app.footer(
      "Exit status: 0 success; 1 check found problems, diff found differences, rename matched nothing; "
      "2 bad usage, an unreadable file or a failed operation. Each command's --help gives its own.");
  ExplainConfigurationMessages();
  int status = kOk;
  AddSampleCommand(app, status);
  AddInfoCommand(app, status);
  AddDumpCommand(app, status);
  AddBuildCommand(app, status);
  AddCheckCommand(app, status);
  AddRenameCommand(app, status);
  AddCatalogueCommand(app, status);
  AddDiffCommand(app, status);
  AddReportCommand(app, status);
  AddSelectCommand(app, status);
  AddSetCommand(app, status);
  AddApplyCommand(app, status);
  if (const std::string bad = NonUtf8Argument(argc, argv); !bad.empty()) {
    std::cerr << "gxrm: " << bad << '\n';
    return kFailure;
  }
  if (argc > 1 && argv[1][0] != '-' && !KnownCommand(app, argv[1])) {
    std::cerr << "gxrm: unknown command '" << argv[1] << "' (see --help)\n";
    return kFailure;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {  // --help, --version
      app.exit(e);
      return Flushed(kOk);
    }
    std::cerr << "gxrm: " << e.what() << " (see --help)\n";
    return kFailure;
  } catch (const ToolError& e) {
    std::cerr << "gxrm: " << e.what() << '\n';
    return kFailure;
  } catch (const gxrm::DomError& e) {
    std::cerr << "gxrm: " << e.what() << '\n';
    return kFailure;
  } catch (const CString& e) {  // the library's configuration failure
    std::cerr << "gxrm: " << Utf8(e) << '\n';
    return kFailure;
  }
  return Flushed(status);
}
