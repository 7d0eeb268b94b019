// Saving: read-only files stay, links stay links, and a failed save raises
// its code, keeps the old file and leaves no temporary file behind.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "ParserFixture.h"
#include "core/GXRMdom.h"
#include "core/GXRMsave.h"

namespace {

namespace fs = std::filesystem;
using gxrm::dom::Document;
using gxrm_test::ReadFile;
using gxrm_test::WriteFile;

constexpr uid_t kNobody = 65534;
// The exit code of a child that could not set itself up.
constexpr int kNoSetup = 77;

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
  ::stat(path.c_str(), &st);
  return st;
}

// Runs `body` in a child process and returns what it reports; nothing when
// the child exits with kNoSetup because it could not set itself up.
std::optional<std::string> InChild(const std::function<std::string()>& body) {
  int out[2];
  if (::pipe(out) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(out[0]);
    const std::string report = body();
    ::_exit(::write(out[1], report.data(), report.size()) == static_cast<ssize_t>(report.size()) ? 0 : 1);
  }
  ::close(out[1]);
  const std::string report = child > 0 ? ReadFile("/dev/fd/" + std::to_string(out[0])) : "";
  ::close(out[0]);
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return std::nullopt;
  if (!WIFEXITED(status) || WEXITSTATUS(status) == kNoSetup) return std::nullopt;
  return report;
}

// The code saving raised, the file's content and what else the directory holds.
std::string SaveOutcome(const Document& doc, const fs::path& dir) {
  std::string report =
      std::to_string(CodeOf([&] { doc.save(dir / "f.xml"); })) + " " + ReadFile(dir / "f.xml");
  for (const std::string& name : Listing(dir)) {
    if (name != "f.xml") report += " +" + name;
  }
  return report;
}

TEST(DomSave, ReadOnlyFileIsRefusedAndKept) {
  const fs::path dir = FreshDir();
  const Document doc = Loaded("<new/>");
  const std::string file = WriteFile(dir / "locked.xml", "<old/>");
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(CodeOf([&] { doc.save(file); }), 0x80070005u);
  EXPECT_EQ(ReadFile(file), "<old/>");
  EXPECT_EQ(Listing(dir), std::set<std::string>{"locked.xml"});

  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  const std::optional<std::string> code = InChild([&] {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 || ::access(file.c_str(), R_OK) != 0) {
      ::_exit(kNoSetup);
    }
    return std::to_string(CodeOf([&] { doc.save(file); }));
  });
  if (!code) GTEST_SKIP() << "cannot run as nobody";
  EXPECT_EQ(*code, std::to_string(0x80070005u));
  EXPECT_EQ(ReadFile(file), "<old/>");
  EXPECT_EQ(Listing(dir), std::set<std::string>{"locked.xml"});
}

TEST(DomSave, WritesThroughSymbolicLinksAndKeepsModeAndOwner) {
  const fs::path dir = FreshDir();
  fs::create_directory(dir / "real");
  const fs::path target = WriteFile(dir / "real" / "model.xml", "<old/>");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  if (::geteuid() == 0) ASSERT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
  fs::create_symlink(target, dir / "absolute");
  fs::create_symlink("absolute", dir / "relative");
  Loaded("<new/>").save(dir / "relative");
  EXPECT_EQ(ReadFile(target), "<new/>");
  EXPECT_TRUE(fs::is_symlink(dir / "relative"));
  EXPECT_TRUE(fs::is_symlink(dir / "absolute"));
  EXPECT_EQ(Stat(target).st_mode & 07777, 0604u);
  if (::geteuid() == 0) EXPECT_EQ(Stat(target).st_uid, kNobody);
  EXPECT_EQ(Listing(dir / "real"), std::set<std::string>{"model.xml"});

  // A new file takes its mode from the umask, not from the temporary file.
  const mode_t mask = ::umask(027);
  Loaded("<made/>").save(dir / "real" / "created.xml");
  ::umask(mask);
  EXPECT_EQ(Stat(dir / "real" / "created.xml").st_mode & 07777, 0640u);

  fs::create_symlink("loop_b", dir / "loop_a");
  fs::create_symlink("loop_a", dir / "loop_b");
  const auto before = Listing(dir);
  EXPECT_EQ(CodeOf([&] { Loaded("<x/>").save(dir / "loop_a"); }), 0x80004005u);
  EXPECT_EQ(Listing(dir), before);
}

TEST(DomSave, AnyNameTheFileSystemTakesSavesAndFailuresLeaveNoTemporary) {
  const fs::path dir = FreshDir();
  const Document doc = Loaded("<r>" + std::string(100000, 'x') + "</r>");
  const std::string longest(250, 'n');
  doc.save(dir / longest);
  EXPECT_EQ(ReadFile(dir / longest).size(), 100007u);
  EXPECT_EQ(CodeOf([&] { doc.save(dir / std::string(256, 'n')); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { doc.save(dir / "no_such_dir" / "f.xml"); }), 0x80070003u);

  // The rename fails.
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

// In a mount namespace of its own, a 64 KiB tmpfs that fills up, then turns read-only.
TEST(DomSave, FullAndReadOnlyFileSystemsRaiseTheirCodesAndKeepTheOldFile) {
  const Document doc = Loaded("<r>" + std::string(100000, 'x') + "</r>");
  const fs::path dir = FreshDir();
  const std::optional<std::string> report = InChild([&] {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0) {
      ::_exit(kNoSetup);
    }
    WriteFile(dir / "f.xml", "<old/>");
    const std::string full = SaveOutcome(doc, dir);
    ::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
    return full + " | " + SaveOutcome(doc, dir);
  });
  if (!report) GTEST_SKIP() << "needs root and mount namespaces for a small tmpfs (unshare -m)";
  EXPECT_EQ(*report, std::to_string(0x80070070u) + " <old/> | " + std::to_string(0x80070005u) + " <old/>");
}

// Links planted where the temporary file goes are never followed.
TEST(SaveFile, ReplacesSafelyAndNeverFollowsPlantedLinks) {
  const fs::path dir = FreshDir();
  const std::string victim = WriteFile(dir / "victim", "keep");
  for (unsigned n = 0; n < 200; ++n) {
    char name[40];
    std::snprintf(name, sizeof name, ".gxrm-%x-%x", static_cast<unsigned>(::getpid()), n);
    fs::create_symlink(victim, dir / name);
  }
  const auto planted = Listing(dir);
  for (int round = 0; round < 3; ++round) gxrm::SaveFile(dir / "out.html", "page " + std::to_string(round));
  EXPECT_EQ(ReadFile(dir / "out.html"), "page 2");
  EXPECT_EQ(ReadFile(victim), "keep");
  fs::remove(dir / "out.html");
  EXPECT_EQ(Listing(dir), planted);
}

TEST(SaveFile, WritesDevicesAndPipesDirectly) {
  const fs::path dir = FreshDir();
  gxrm::SaveFile("/dev/null", "nothing");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string read;
  std::thread reader([&] { read = ReadFile(fifo); });
  gxrm::SaveFile(fifo, "through the pipe");
  reader.join();
  EXPECT_EQ(read, "through the pipe");
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(Listing(dir), std::set<std::string>{"fifo"});
}

}  // namespace
