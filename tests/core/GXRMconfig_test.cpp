// The version read from GXRMconfig.ini beside the library: each case copies
// the library into a fresh directory with its own file and runs a probe.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "TestUtil.h"

namespace {

using gxrm_test::ReadFile;

// What the probe prints after its path line, then its standard error, beside
// a copy of the library with `ini` as configuration file (none when null).
std::string Probe(const std::string& name, const char* ini, const char* args = "") {
  std::string dir = gxrm_test::TempPath("config_" + name);
  std::string setup = "rm -rf '" + dir + "' && mkdir -p '" + dir + "' && cp '" GXRM_LIBRARY_FILE "' '" + dir +
                      "/" GXRM_LIBRARY_SONAME "'";
  EXPECT_EQ(std::system(setup.c_str()), 0);
  if (ini) std::ofstream(dir + "/GXRMconfig.ini", std::ios::binary) << ini;
  std::string run =
      "LD_LIBRARY_PATH='" + dir + "' '" GXRM_PROBE "' " + args + " > '" + dir + "/out' 2> '" + dir + "/err'";
  EXPECT_EQ(std::system(run.c_str()), 0);
  const std::string text = ReadFile(dir + "/out"), errors = ReadFile(dir + "/err");
  const std::string path_line = "path " + dir + "/\n";
  EXPECT_EQ(text.substr(0, path_line.size()), path_line) << "the library's own directory";
  return text.substr(path_line.size()) + (errors.empty() ? "" : "stderr " + errors);
}

const char kNoVersion[] = "message 0x1040 读取配置文件错误!\nversion []\n";

TEST(GXRMconfig, ReadsTheVersionWithProfileRulesAndReportsItsAbsence) {
  struct Case {
    const char *name, *ini, *args;
    std::string expected;
  };
  const std::string long_value(150, '7');
  const std::string long_ini = "[GXRM_Global_Config]\nGXRMversion=" + long_value + "\n";
  const char* v21 = "[GXRM_Global_Config]\nGXRMversion=2.1\n";
  const Case cases[] = {
      {"plain", v21, "", "version [2.1]\n"},
      {"blanks", "[gxrm_global_config]\r\n gxrmVERSION = \"2.1 b\" \r\n", "", "version [2.1 b]\n"},
      {"first_key", "[GXRM_Global_Config]\n;GXRMversion=9\nGXRMversion=1\nGXRMversion=2\n", "",
       "version [1]\n"},
      {"first_section", "[GXRM_Global_Config]\nother=1\n[GXRM_Global_Config]\nGXRMversion=2\n", "",
       kNoVersion},
      {"other_section", "[Other]\nGXRMversion=2.1\n", "", kNoVersion},
      {"empty_value", "[GXRM_Global_Config]\nGXRMversion=\n", "", kNoVersion},
      {"long", long_ini.c_str(), "", "version [" + long_value.substr(0, 99) + "]\n"},
      {"missing", nullptr, "", kNoVersion},
      {"default", nullptr, "--default-handler", "version []\nstderr 读取配置文件错误!\n"},
      // The root's name carries the version; one no name can hold leaves no root.
      {"root", v21, "--create", "version [2.1]\nroot GXRMheader_v2.1\n"},
      {"bad_root", "[GXRM_Global_Config]\nGXRMversion=2 1\n", "--create",
       "version [2 1]\nerror 0x80070057\nroot none\n"},
      {"bare_root", nullptr, "--create",
       std::string(kNoVersion) + "message 0x1040 读取配置文件错误!\nroot GXRMheader_v\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.name, c.ini, c.args), c.expected) << c.name;
}

}  // namespace
