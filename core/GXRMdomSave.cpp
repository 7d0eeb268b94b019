// Saving: a document's nodes as UTF-8, or any bytes, through a temporary file
// renamed over the target so that a failure never leaves a half-written file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>

#include "core/GXRMdomImpl.h"
#include "core/GXRMdomPrint.h"
#include "core/GXRMerror.h"
#include "core/GXRMsave.h"

namespace gxrm {
namespace {

uint32_t CodeForErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return kErrDiskFull;
    case ENOMEM:
      return kErrOutOfMemory;
    default:
      return kErrFail;
  }
}

[[noreturn]] void ThrowSaveError(int err, const std::string& path) {
  ThrowDomError(CodeForErrno(err), "cannot save '" + path + "': " + std::strerror(err));
}

// The directory part of `path` with its final '/', or "" for a bare name.
std::string DirectoryOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

// Symbolic links are followed at most this far, as the kernel does.
constexpr int kMaxLinks = 40;

// The file a save really replaces: `path` with symbolic links followed, so
// that a link stays a link and its target gets the new content. A dangling
// link names the file to create.
std::string ResolveLinks(const std::string& path) {
  std::string target = path;
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    std::string link(PATH_MAX, '\0');
    const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
    if (n <= 0) ThrowSaveError(n < 0 ? errno : ENOENT, path);
    link.resize(static_cast<size_t>(n));
    target = link.front() == '/' ? link : DirectoryOf(target) + link;
  }
  ThrowSaveError(ELOOP, path);
}

// A file the process may not write, or one without any write permission bit,
// is read-only: it is not replaced even though its directory would allow it.
bool ReadOnly(const std::string& path, const struct stat& st) {
  return S_ISREG(st.st_mode) &&
         ((st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0);
}

// A new file beside the target, under a short name whatever the target's
// length; removed again unless Commit renamed it over the target.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    char name[40];
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      // A name taken, perhaps planted to stop saving, is followed by names no one can guess.
      const unsigned suffix = attempt == 0 ? counter++ : random();
      std::snprintf(name, sizeof name, ".gxrm-%x-%x", static_cast<unsigned>(::getpid()), suffix);
      path_ = DirectoryOf(target) + name;
      // The umask applies as for any new file.
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      error_ = fd_ < 0 ? errno : 0;
      if (error_ != 0 && error_ != EEXIST) break;
    }
    if (fd_ < 0) path_.clear();
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }

  int fd() const { return fd_; }
  // Why the file could not be created, or 0.
  int error() const { return error_; }
  // Gives the new file the owner (where permitted) and permission bits of the file it replaces.
  void TakeOver(const struct stat& old) const {
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      (void)::fchown(fd_, old.st_uid, old.st_gid);  // refused unless privileged: keep ours
    }
    ::fchmod(fd_, old.st_mode & 07777);
  }
  // Closes the file and renames it over `target`; returns the first errno met, or 0.
  int Commit(const std::string& target) {
    int err = ::fsync(fd_) != 0 && errno != EINVAL ? errno : 0;
    if (::close(fd_) != 0 && err == 0) err = errno;
    fd_ = -1;
    if (err == 0 && ::rename(path_.c_str(), target.c_str()) != 0) err = errno;
    if (err == 0) path_.clear();
    return err;
  }

 private:
  int fd_ = -1;
  int error_ = 0;
  std::string path_;
};

// Writes all of `bytes`; returns the first errno met, or 0.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

// A device or a pipe is no file to replace: it takes the bytes as they come.
bool WrittenDirectly(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode));
}

void WriteDirectly(const std::string& path, const std::function<int(int)>& write) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) ThrowSaveError(errno, path);
  int err = write(fd);
  if (::close(fd) != 0 && err == 0 && errno != EINTR) err = errno;
  if (err != 0) ThrowSaveError(err, path);
}

// Saves through `write`, which writes the whole content to the descriptor it
// is given and returns the first errno met, or 0.
void SaveThrough(const std::string& path, const std::function<int(int)>& write) {
  if (WrittenDirectly(path)) return WriteDirectly(path, write);
  const std::string target = ResolveLinks(path);
  struct stat old;
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && ReadOnly(target, old)) {
    ThrowDomError(kErrAccessDenied, "cannot save '" + path + "': the file is read-only");
  }
  TemporaryFile tmp(target);
  if (tmp.fd() < 0) ThrowSaveError(tmp.error(), path);
  if (exists && S_ISREG(old.st_mode)) tmp.TakeOver(old);
  int err = write(tmp.fd());
  if (err == 0) err = tmp.Commit(target);
  if (err != 0) ThrowSaveError(err, path);
}

}  // namespace

void SaveFile(const std::string& path, std::string_view bytes) {
  SaveThrough(path, [bytes](int fd) { return WriteAll(fd, bytes); });
}

namespace dom {

using detail::Access;
using detail::DocImpl;

namespace {

// Writes everything at document level but the limbo.
void PrintDocument(const DocImpl& impl, pugi::xml_writer& writer) {
  detail::PrintNodes(impl.limbo.next_sibling(), writer);
}

class FdWriter : public pugi::xml_writer {
 public:
  explicit FdWriter(int fd) : fd_(fd) {}
  void write(const void* data, size_t size) override {
    if (error_) return;
    buf_.append(static_cast<const char*>(data), size);
    if (buf_.size() >= (1 << 20)) Flush();
  }
  // Writes what is buffered; returns the first errno met, or 0.
  int Flush() {
    if (error_ == 0) error_ = WriteAll(fd_, buf_);
    buf_.clear();
    return error_;
  }

 private:
  int fd_;
  int error_ = 0;
  std::string buf_;
};

class StringWriter : public pugi::xml_writer {
 public:
  void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
  std::string text;
};

}  // namespace

void Document::save(const std::string& path) const {
  const DocImpl& impl = Access::Require(*this, "save");
  SaveThrough(path, [&impl](int fd) {
    FdWriter writer(fd);
    PrintDocument(impl, writer);
    return writer.Flush();
  });
}

std::string Document::xml() const {
  const DocImpl& impl = Access::Require(*this, "xml");
  StringWriter writer;
  PrintDocument(impl, writer);
  return writer.text;
}

}  // namespace dom
}  // namespace gxrm
