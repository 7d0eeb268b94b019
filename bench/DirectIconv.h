// DirectIconv: text conversion as a program without the library does it,
// one iconv call per string that is not plain ASCII. The benchmarks' direct
// paths use it on both sides.
#pragma once

#include <iconv.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace gxrm::bench {

class DirectIconv {
 public:
  DirectIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~DirectIconv() { iconv_close(cd_); }
  DirectIconv(const DirectIconv&) = delete;
  DirectIconv& operator=(const DirectIconv&) = delete;

  // The converted text (ASCII copied as it is); valid until the next call.
  const std::string& operator()(std::string_view in) {
    bool ascii = true;
    for (unsigned char c : in) ascii = ascii && c < 0x80;
    if (ascii) return out_.assign(in);
    out_.resize(in.size() * 2 + 8);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = out_.data();
    size_t dst_left = out_.size();
    if (iconv(cd_, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) {
      throw std::runtime_error("text the converter refuses");
    }
    out_.resize(out_.size() - dst_left);
    return out_;
  }

 private:
  iconv_t cd_;
  std::string out_;
};

}  // namespace gxrm::bench
