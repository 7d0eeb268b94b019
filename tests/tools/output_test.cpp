// What gxrm writes: never through planted links, never over its input or a
// read-only file, through links, to devices and to standard output.
#include <string>

#include "GxrmRun.h"

namespace {

using namespace gxrm_test;

class Output : public Gxrm {
 protected:
  void SetUp() override {
    Gxrm::SetUp();
    ASSERT_EQ(Run({"sample", "m.gxrm", "--floors", "1", "--bays", "1", "1"}).status, 0);
  }
};

TEST_F(Output, NeverWritesOverItsInputOrAReadOnlyFileNorThroughAPlantedLink) {
  const std::string model = ReadFile(dir_ / "m.gxrm");
  // The default report name of m.html is m.html itself; a link to the input is the input.
  WriteFile(dir_ / "m.html", model);
  ExpectFailure(Run({"report", "m.html"}), {"m.html", "input"});
  fs::create_symlink("m.gxrm", dir_ / "alias");
  for (const Args& args : {Args{"report", "m.gxrm", "-o", "alias"}, Args{"dump", "m.gxrm", "-o", "alias"},
                           Args{"rename", "m.gxrm", "第1层", "10", "KZ-1", "X", "-o", "alias"}}) {
    ExpectFailure(Run(args), {"alias: is the input file"});
  }
  EXPECT_EQ(ReadFile(dir_ / "m.html"), model);
  EXPECT_EQ(ReadFile(dir_ / "m.gxrm"), model);

  WriteFile(dir_ / "ro.html", "old");
  fs::permissions(dir_ / "ro.html", fs::perms::owner_read);
  ExpectFailure(Run({"report", "m.gxrm", "-o", "ro.html"}), {"ro.html: cannot write: the file is read-only"});
  EXPECT_EQ(ReadFile(dir_ / "ro.html"), "old");

  WriteFile(dir_ / "victim", "keep");
  fs::create_symlink("victim", dir_ / "out.html.partial");
  ASSERT_EQ(Run({"report", "m.gxrm", "-o", "out.html"}).status, 0);
  EXPECT_EQ(ReadFile(dir_ / "victim"), "keep");
}

TEST_F(Output, WritesThroughLinksToDevicesAndToStandardOutput) {
  fs::create_symlink("real.html", dir_ / "link.html");
  EXPECT_EQ(Out({"report", "m.gxrm", "-o", "link.html"}), "wrote link.html\n");
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.html"));
  const std::string page = ReadFile(dir_ / "real.html");
  ASSERT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);

  EXPECT_EQ(Out({"report", "m.gxrm", "-o", "-"}), page);
  EXPECT_EQ(Piped("report m.gxrm -o /dev/stdout | head -c 15"), "<!DOCTYPE html>");
  Out({"report", "m.gxrm", "-o", "/dev/null"});
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  // Every writing command goes the same way; a model written to standard output rebuilds.
  const std::string json = Out({"dump", "m.gxrm"});
  Out({"dump", "m.gxrm", "-o", "m.json"});
  EXPECT_EQ(ReadFile(dir_ / "m.json"), json);
  EXPECT_EQ(Out({"build", "m.json", "-"}), ReadFile(dir_ / "m.gxrm"));
  EXPECT_EQ(Piped("sample - --floors 1 --bays 1 1"), ReadFile(dir_ / "m.gxrm"));
}

TEST_F(Output, AFailedWriteToStandardOutputExitsTwoWithTheReason) {
  for (const char* command : {"dump m.gxrm", "info m.gxrm", "report m.gxrm -o -", "--help"}) {
    const std::string err = Piped(command + std::string(" 2>&1 >/dev/full; echo \" exit $?\""));
    EXPECT_EQ(err, "gxrm: standard output: cannot write: No space left on device\n exit 2\n") << command;
  }
}

}  // namespace
