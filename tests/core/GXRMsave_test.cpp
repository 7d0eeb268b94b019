// Saving replaces a file as a careful editor does: read-only files stay,
// links stay links, long names save, and no temporary file is left over.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "TestUtil.h"
#include "core/GXRMdom.h"

namespace {

namespace fs = std::filesystem;
using gxrm::dom::Document;
using gxrm_test::CodeOf;
using gxrm_test::ReadFile;
using gxrm_test::WriteFile;

constexpr uid_t kNobody = 65534;

Document Doc(const std::string& xml) {
  Document doc = Document::create();
  EXPECT_TRUE(doc.loadXML(xml));
  return doc;
}

// A fresh directory per test, open to every user.
fs::path FreshDir() {
  const fs::path dir = gxrm_test::TempPath(std::string("save_") +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::permissions(dir, fs::perms::all);
  return dir;
}

std::set<std::string> Listing(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

struct stat Stat(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

// The code of the error `doc.save(path)` raises in a child process running
// as the user nobody; -1 when the child cannot become that user or read the file.
int CodeAsNobody(const Document& doc, const std::string& path) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The file must be within reach, or the test would prove nothing.
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 || ::access(path.c_str(), R_OK) != 0) ::_exit(255);
    ::_exit(CodeOf([&] { doc.save(path); }) == 0x80070005u ? 5 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

TEST(DomSave, ReadOnlyFileIsRefusedAndKept) {
  const fs::path dir = FreshDir();
  const Document doc = Doc("<new/>");
  const std::string file = WriteFile(dir / "locked.xml", "<old/>");
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(CodeOf([&] { doc.save(file); }), 0x80070005u);
  EXPECT_EQ(ReadFile(file), "<old/>");
  EXPECT_EQ(Listing(dir), std::set<std::string>{"locked.xml"});

  // A file the user may not write, in a directory anyone may write.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  const int code = CodeAsNobody(doc, file);
  if (code < 0) GTEST_SKIP() << "cannot run as nobody";
  EXPECT_EQ(code, 5);
  EXPECT_EQ(ReadFile(file), "<old/>");
  EXPECT_EQ(Listing(dir), std::set<std::string>{"locked.xml"});
}

TEST(DomSave, WritesThroughSymbolicLinksAndKeepsModeAndOwner) {
  const fs::path dir = FreshDir();
  fs::create_directory(dir / "real");
  const fs::path target = WriteFile(dir / "real" / "model.xml", "<old/>");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  if (::geteuid() == 0) ASSERT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
  // A relative link to an absolute link to the file.
  fs::create_symlink(target, dir / "absolute");
  fs::create_symlink("absolute", dir / "relative");
  Doc("<new/>").save(dir / "relative");
  EXPECT_EQ(ReadFile(target), "<new/>");
  EXPECT_TRUE(fs::is_symlink(dir / "relative"));
  EXPECT_TRUE(fs::is_symlink(dir / "absolute"));
  EXPECT_EQ(Stat(target).st_mode & 07777, 0604u);
  if (::geteuid() == 0) EXPECT_EQ(Stat(target).st_uid, kNobody);
  EXPECT_EQ(Listing(dir / "real"), std::set<std::string>{"model.xml"});

  // A dangling link gets its target created, and stays a link; the umask applies.
  fs::create_symlink("real/created.xml", dir / "dangling");
  const mode_t mask = ::umask(027);
  Doc("<made/>").save(dir / "dangling");
  ::umask(mask);
  EXPECT_TRUE(fs::is_symlink(dir / "dangling"));
  EXPECT_EQ(ReadFile(dir / "real" / "created.xml"), "<made/>");
  EXPECT_EQ(Stat(dir / "real" / "created.xml").st_mode & 07777, 0640u);

  // A loop of links fails and creates nothing.
  fs::create_symlink("loop_b", dir / "loop_a");
  fs::create_symlink("loop_a", dir / "loop_b");
  const auto before = Listing(dir);
  EXPECT_EQ(CodeOf([&] { Doc("<x/>").save(dir / "loop_a"); }), 0x80004005u);
  EXPECT_EQ(Listing(dir), before);
}

TEST(DomSave, AnyNameTheFileSystemTakesSavesAndFailuresLeaveNoTemporary) {
  const fs::path dir = FreshDir();
  const Document doc = Doc("<r>" + std::string(100000, 'x') + "</r>");
  const std::string longest(250, 'n');
  doc.save(dir / longest);
  EXPECT_EQ(ReadFile(dir / longest).size(), 100007u);
  EXPECT_EQ(CodeOf([&] { doc.save(dir / std::string(256, 'n')); }), 0x80004005u);

  // The rename fails: a non-empty directory stands at the path.
  fs::create_directories(dir / "occupied" / "sub");
  EXPECT_EQ(CodeOf([&] { doc.save(dir / "occupied"); }), 0x80004005u);

  // The write fails half-way: a file-size limit.
  const std::string kept = WriteFile(dir / "kept.xml", "<old/>");
  struct rlimit old_limit {};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  const auto old_handler = signal(SIGXFSZ, SIG_IGN);
  const struct rlimit small = {4096, old_limit.rlim_max};
  setrlimit(RLIMIT_FSIZE, &small);
  const uint32_t code = CodeOf([&] { doc.save(kept); });
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(code, 0x80004005u);
  EXPECT_EQ(ReadFile(kept), "<old/>");
  EXPECT_EQ(Listing(dir), (std::set<std::string>{longest, "occupied", "kept.xml"}));
}

}  // namespace
