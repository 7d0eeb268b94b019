// output.cpp: writing files and standard output, never over the input.
#include "output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "tool.h"

namespace gxrm::tool {
namespace {

// Both paths name one existing file, whatever links lead to it.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// The system's reason in a save error's message, after the path it names.
std::string Reason(const gxrm::DomError& e, const std::string& path) {
  const std::string what = e.what();
  const std::string lead = "'" + path + "': ";
  const std::size_t at = what.find(lead);
  return at == std::string::npos ? what : what.substr(at + lead.size());
}

// Standard output through a buffer that remembers why a write failed, so
// that the tool can say so.
class StandardOutputBuffer : public std::streambuf {
 public:
  StandardOutputBuffer() { setp(buf_, buf_ + sizeof buf_); }
  // The errno of the first failed write, or 0.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override {
    if (sync() != 0) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
  int sync() override {
    const char* p = pbase();
    while (error_ == 0 && p < pptr()) {
      const ssize_t n = ::write(STDOUT_FILENO, p, static_cast<std::size_t>(pptr() - p));
      if (n < 0 && errno != EINTR) error_ = errno;
      if (n > 0) p += n;
    }
    setp(buf_, buf_ + sizeof buf_);
    return error_ == 0 ? 0 : -1;
  }

 private:
  char buf_[1 << 16];
  int error_ = 0;
};

StandardOutputBuffer& StandardOutput() {
  // Never destroyed: std::cout uses it until the very end.
  static auto* buffer = new StandardOutputBuffer;
  return *buffer;
}

}  // namespace

void CaptureStandardOutput() { std::cout.rdbuf(&StandardOutput()); }

void FlushStandardOutput() {
  std::cout.flush();
  if (const int err = StandardOutput().error(); err != 0) {
    throw ToolError(std::string("standard output: cannot write: ") + std::strerror(err));
  }
}

void WriteOutput(const std::string& out, const std::string& input, std::string_view bytes) {
  if (out == "-") {
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return FlushStandardOutput();
  }
  if (!input.empty() && input != "-" && SameFile(out, input)) {
    throw ToolError(out + ": is the input file; name another output file");
  }
  try {
    gxrm::SaveFile(out, bytes);
  } catch (const gxrm::DomError& e) {
    throw ToolError(out + ": cannot write: " + Reason(e, out));
  }
}

void WriteDocument(CGXRMfileParser& parser, const std::string& out, const std::string& input) {
  IXMLDOMElementPtr root;
  parser.GetRootElem(root);
  WriteOutput(out, input, root.ownerDocument().xml());
}

}  // namespace gxrm::tool
