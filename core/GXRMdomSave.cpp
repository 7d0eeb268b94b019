// Saving: the document's nodes as UTF-8, through a temporary file renamed
// over the target so that a failure never leaves a half-written file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/GXRMdomImpl.h"
#include "core/GXRMdomPrint.h"
#include "core/GXRMerror.h"

namespace gxrm::dom {

using detail::Access;
using detail::DocImpl;

namespace {

uint32_t CodeForErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR: return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return kErrAccessDenied;
    case ENOSPC:
    case EDQUOT: return kErrDiskFull;
    case ENOMEM: return kErrOutOfMemory;
    default: return kErrFail;
  }
}

[[noreturn]] void ThrowSaveError(int err, const std::string& path) {
  ThrowDomError(CodeForErrno(err), "cannot save '" + path + "': " + std::strerror(err));
}

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
    const char* p = buf_.data();
    size_t left = buf_.size();
    while (!error_ && left > 0) {
      ssize_t n = ::write(fd_, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) error_ = errno;
      else { p += n; left -= static_cast<size_t>(n); }
    }
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
  void write(const void* data, size_t size) override {
    text.append(static_cast<const char*>(data), size);
  }
  std::string text;
};

// Creates a new file beside `path`; the umask applies as for any new file.
int CreateTemporary(const std::string& path, std::string& tmp) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tmp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

void Document::save(const std::string& path) const {
  const DocImpl& impl = Access::Require(*this, "save");
  std::string tmp;
  int fd = CreateTemporary(path, tmp);
  if (fd < 0) ThrowSaveError(errno, path);
  struct stat old;
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
  FdWriter writer(fd);
  PrintDocument(impl, writer);
  int err = writer.Flush();
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tmp.c_str());
    ThrowSaveError(err, path);
  }
}

std::string Document::xml() const {
  const DocImpl& impl = Access::Require(*this, "xml");
  StringWriter writer;
  PrintDocument(impl, writer);
  return writer.text;
}

}  // namespace gxrm::dom
