#include "core/GXRMtextImpl.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "core/GXRMerror.h"

namespace gxrm {

namespace {

// One iconv descriptor per direction and thread; iconv_open is far too costly
// to pay per string, and descriptors carry state, so threads do not share them.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts the whole input into `out`; false on any invalid or incomplete
  // sequence. Both encodings are stateless, so no reset or flush is needed;
  // the output goes through a buffer kept for the thread, so that a
  // conversion costs no allocation once `out` has room.
  bool Convert(std::string_view in, std::string& out, size_t worst_ratio) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    size_t need = in.size() * worst_ratio + 8;
    if (buf_.size() < need) buf_.resize(need);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = buf_.data();
    size_t dst_left = buf_.size();
    if (iconv(cd_, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
    out.assign(buf_.data(), static_cast<size_t>(dst - buf_.data()));
    return true;
  }

 private:
  iconv_t cd_;
  std::vector<char> buf_;
};

Converter& ToUtf8Converter() {
  thread_local Converter converter("UTF-8", "GB18030");
  return converter;
}

Converter& FromUtf8Converter() {
  thread_local Converter converter("GB18030", "UTF-8");
  return converter;
}

}  // namespace

bool IsAscii(std::string_view text) noexcept {
  for (unsigned char c : text) {
    if (c & 0x80) return false;
  }
  return true;
}

bool TryToUtf8(std::string_view gbk, std::string& out) {
  if (IsAscii(gbk)) {
    out.assign(gbk);
    return true;
  }
  // Two GBK bytes become at most three UTF-8 bytes, four stay four.
  return ToUtf8Converter().Convert(gbk, out, 2);
}

std::string GbkToUtf8(std::string_view gbk, const char* what) {
  std::string out;
  std::string_view utf8 = AsUtf8(gbk, out, what);
  if (utf8.data() != out.data()) out.assign(utf8);
  return out;
}

std::string_view AsUtf8(std::string_view gbk, std::string& scratch, const char* what) {
  if (IsAscii(gbk)) return gbk;
  if (!TryToUtf8(gbk, scratch)) {
    ThrowDomError(kErrNoUnicodeMap, std::string(what) + " is no valid GBK/GB18030 text");
  }
  return scratch;
}

std::string ToUtf8(const CString& gbk) { return GbkToUtf8(gbk); }

CString FromUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return CString(utf8);
  // A UTF-8 character of two to four bytes becomes two or four GB18030 bytes.
  CString out;
  if (!FromUtf8Converter().Convert(utf8, out, 2)) {
    ThrowDomError(kErrNoUnicodeMap, "text is no valid UTF-8");
  }
  return out;
}

}  // namespace gxrm
