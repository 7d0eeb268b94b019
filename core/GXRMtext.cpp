#include "core/GXRMtextImpl.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
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

  // Converts `in` and appends the result to `out`; returns how many bytes of
  // `in` converted: all of them unless an invalid or incomplete sequence
  // stopped it. Both encodings are stateless, so no reset or flush is needed.
  // Short text goes through a buffer kept for the thread, so that a
  // conversion costs no allocation once `out` has room.
  size_t Append(std::string_view in, std::string& out) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return 0;
    // Two GBK bytes become at most three UTF-8 bytes; a UTF-8 character of
    // two to four bytes becomes two or four GB18030 bytes.
    size_t need = in.size() * 2 + 8;
    std::vector<char> large;
    std::vector<char>& buf = need <= kKeptBuffer ? buf_ : large;
    if (buf.size() < need) buf.resize(need);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = buf.data();
    size_t dst_left = buf.size();
    iconv(cd_, &src, &src_left, &dst, &dst_left);
    out.append(buf.data(), static_cast<size_t>(dst - buf.data()));
    return in.size() - src_left;
  }

  bool AppendAll(std::string_view in, std::string& out) { return Append(in, out) == in.size(); }

 private:
  static constexpr size_t kKeptBuffer = 64 * 1024;
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

// Code page 936 gives 24 two-byte codes to private-use characters, and so do
// Windows hosts; glibc's GB18030 gives those codes to standard characters and
// has no code for the private-use ones. Host text keeps code page 936's codes,
// and the standard characters travel as their GB18030 four-byte codes.
struct SwappedCode {
  char32_t private_use;
  char cp936[3];
  char32_t standard;
  char gb18030[5];
};

// Private-use code point, its CP936 bytes; the standard character, its GB18030 bytes.
// clang-format off
constexpr SwappedCode kSwapped[] = {
    {0xE78D, "\xA6\xD9", 0xFE10,  "\x84\x31\x82\x36"},  // ︐
    {0xE78E, "\xA6\xDA", 0xFE12,  "\x84\x31\x82\x38"},  // ︒
    {0xE78F, "\xA6\xDB", 0xFE11,  "\x84\x31\x82\x37"},  // ︑
    {0xE790, "\xA6\xDC", 0xFE13,  "\x84\x31\x82\x39"},  // ︓
    {0xE791, "\xA6\xDD", 0xFE14,  "\x84\x31\x83\x30"},  // ︔
    {0xE792, "\xA6\xDE", 0xFE15,  "\x84\x31\x83\x31"},  // ︕
    {0xE793, "\xA6\xDF", 0xFE16,  "\x84\x31\x83\x32"},  // ︖
    {0xE794, "\xA6\xEC", 0xFE17,  "\x84\x31\x83\x33"},  // ︗
    {0xE795, "\xA6\xED", 0xFE18,  "\x84\x31\x83\x34"},  // ︘
    {0xE796, "\xA6\xF3", 0xFE19,  "\x84\x31\x83\x35"},  // ︙
    {0xE816, "\xFE\x51", 0x20087, "\x95\x32\x90\x31"},  // 𠂇
    {0xE817, "\xFE\x52", 0x20089, "\x95\x32\x90\x33"},  // 𠂉
    {0xE818, "\xFE\x53", 0x200CC, "\x95\x32\x97\x30"},  // 𠃌
    {0xE81E, "\xFE\x59", 0x9FB4,  "\x82\x35\x90\x37"},  // 龴
    {0xE826, "\xFE\x61", 0x9FB5,  "\x82\x35\x90\x38"},  // 龵
    {0xE82B, "\xFE\x66", 0x9FB6,  "\x82\x35\x90\x39"},  // 龶
    {0xE82C, "\xFE\x67", 0x9FB7,  "\x82\x35\x91\x30"},  // 龷
    {0xE831, "\xFE\x6C", 0x215D7, "\x95\x36\xB9\x37"},  // 𡗗
    {0xE832, "\xFE\x6D", 0x9FB8,  "\x82\x35\x91\x31"},  // 龸
    {0xE83B, "\xFE\x76", 0x2298F, "\x96\x30\xBA\x35"},  // 𢦏
    {0xE843, "\xFE\x7E", 0x9FB9,  "\x82\x35\x91\x32"},  // 龹
    {0xE854, "\xFE\x90", 0x9FBA,  "\x82\x35\x91\x33"},  // 龺
    {0xE855, "\xFE\x91", 0x241FE, "\x96\x35\xB6\x30"},  // 𤇾
    {0xE864, "\xFE\xA0", 0x9FBB,  "\x82\x35\x91\x34"},  // 龻
};
// clang-format on

// The euro sign: the single byte 0x80 in code page 936, both ways.
constexpr char32_t kEuro = 0x20AC;

// The character the host codes for, when iconv must not decide it; 0 otherwise.
char32_t SpecialCharacter(std::string_view host) {
  unsigned char lead = static_cast<unsigned char>(host[0]);
  if (host.size() == 1) return lead == 0x80 ? kEuro : 0;
  bool candidate = host.size() == 2 ? lead == 0xA6 || lead == 0xFE : lead >= 0x82 && lead <= 0x96;
  if (!candidate) return 0;
  for (const SwappedCode& row : kSwapped) {
    if (host == row.cp936) return row.private_use;
    if (host == row.gb18030) return row.standard;
  }
  return 0;
}

// The host bytes of a character, when iconv must not decide them; "" otherwise.
std::string_view SpecialHostBytes(char32_t c) {
  if (c == kEuro) return "\x80";
  if (c < 0x9FB4) return {};
  for (const SwappedCode& row : kSwapped) {
    if (c == row.private_use) return row.cp936;
    if (c == row.standard) return row.gb18030;
  }
  return {};
}

// UTF-8 of a character of three or four bytes, as all special ones are.
void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  }
  out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (c & 0x3F));
}

// The length of the host character starting at `at`: ASCII and the euro byte
// one, a lead byte followed by a digit four, any other lead byte two.
size_t HostCharLength(std::string_view gbk, size_t at) {
  unsigned char c = static_cast<unsigned char>(gbk[at]);
  if (c <= 0x80) return 1;
  bool digit = at + 1 < gbk.size() && gbk[at + 1] >= '0' && gbk[at + 1] <= '9';
  return digit ? 4 : 2;
}

// True when GBK text holds a two-byte code that iconv reads otherwise than
// the host: a swapped code or, with `euro`, A2E3, GB18030's euro, which code
// page 936 writes 0x80. Text without their lead bytes costs no walk.
bool HoldsForeignCode(std::string_view gbk, bool euro) {
  bool leads = std::memchr(gbk.data(), 0xA6, gbk.size()) || std::memchr(gbk.data(), 0xFE, gbk.size()) ||
               (euro && std::memchr(gbk.data(), 0xA2, gbk.size()));
  for (size_t i = 0, len = 0; leads && i < gbk.size(); i += len) {
    len = HostCharLength(gbk, i);
    if (len != 2 || i + 1 == gbk.size()) continue;
    std::string_view code = gbk.substr(i, 2);
    if ((euro && code == "\xA2\xE3") || SpecialCharacter(code)) return true;
  }
  return false;
}

// The length a UTF-8 lead byte announces (1 for a stray byte).
size_t Utf8Length(unsigned char c) {
  if (c >= 0xF0) return 4;
  if (c >= 0xE0) return 3;
  return c >= 0xC0 ? 2 : 1;
}

// The character of a well-formed three- or four-byte UTF-8 sequence; 0 for
// anything else, overlong forms included.
char32_t DecodeUtf8(std::string_view s) {
  if (s.size() < 3) return 0;
  char32_t c = static_cast<unsigned char>(s[0]) & (s.size() == 3 ? 0x0F : 0x07);
  for (size_t i = 1; i < s.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  return (c < 0x10000) == (s.size() == 3) ? c : 0;
}

// UTF-8 to host text, the special characters by hand and the runs between
// them through iconv.
bool EncodeRuns(std::string_view utf8, std::string& out) {
  Converter& converter = FromUtf8Converter();
  size_t run = 0;
  for (size_t i = 0; i < utf8.size();) {
    size_t len = std::min(Utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    std::string_view host = SpecialHostBytes(DecodeUtf8(utf8.substr(i, len)));
    i += len;
    if (host.empty()) continue;
    if (!converter.AppendAll(utf8.substr(run, i - len - run), out)) return false;
    out.append(host);
    run = i;
  }
  return converter.AppendAll(utf8.substr(run), out);
}

}  // namespace

bool IsAscii(std::string_view text) noexcept {
  for (unsigned char c : text) {
    if (c & 0x80) return false;
  }
  return true;
}

size_t AppendGbkAsUtf8(std::string_view gbk, std::string& out, bool last, bool& ok) {
  Converter& converter = ToUtf8Converter();
  size_t run = 0;
  size_t i = 0;
  while (i < gbk.size()) {
    size_t len = HostCharLength(gbk, i);
    if (len > gbk.size() - i) break;
    char32_t special = SpecialCharacter(gbk.substr(i, len));
    i += len;
    if (!special) continue;
    size_t done = converter.Append(gbk.substr(run, i - len - run), out);
    if (run + done != i - len) {
      ok = false;
      return run + done;
    }
    AppendUtf8(special, out);
    run = i;
  }
  size_t done = converter.Append(gbk.substr(run, i - run), out);
  ok = run + done == i && (i == gbk.size() || !last);
  return run + done;
}

namespace {

// TryToUtf8 for text that is not ASCII, through iconv and the special characters.
bool ConvertToUtf8(std::string_view gbk, std::string& out) {
  // iconv gives the swapped two-byte codes to the standard characters.
  if (!HoldsForeignCode(gbk, false) && ToUtf8Converter().AppendAll(gbk, out)) return true;
  out.clear();
  bool ok = false;
  AppendGbkAsUtf8(gbk, out, true, ok);
  return ok;
}

// The UTF-8 of every two-byte code met so far, each found once through
// ConvertToUtf8: most host text is ASCII and two-byte codes, and a table
// look-up per character costs a fraction of an iconv call per string. A cell
// holds the length of the UTF-8 (one to three bytes) in its top byte and the
// bytes below it; 0 until the code is met; kNoCell when the code is left to
// ConvertToUtf8. Threads may fill a cell at once: they write the same value.
class TwoByteCodes {
 public:
  // Appends the UTF-8 of `gbk` to `out` as ConvertToUtf8 would; false,
  // with `out` unspecified, for text with anything but ASCII and two-byte
  // codes the table knows.
  static bool Append(std::string_view gbk, std::string& out) {
    const size_t start = out.size();
    out.resize(start + gbk.size() / 2 * 3 + gbk.size() % 2);  // a two-byte code gives at most three
    char* dst = out.data() + start;
    for (size_t i = 0; i < gbk.size();) {
      const unsigned char lead = gbk[i];
      if (lead < 0x80) {
        *dst++ = static_cast<char>(lead);
        ++i;
        continue;
      }
      if (i + 1 == gbk.size()) return false;
      const uint32_t cell = Cell(lead, static_cast<unsigned char>(gbk[i + 1]));
      if (cell == kNoCell) return false;
      for (uint32_t k = 0, n = cell >> 24; k < n; ++k) *dst++ = static_cast<char>(cell >> (8 * k));
      i += 2;
    }
    out.resize(static_cast<size_t>(dst - out.data()));
    return true;
  }

 private:
  static constexpr uint32_t kNoCell = 0xFFFFFFFF;
  static constexpr unsigned kTrails = 0xFF - 0x40;  // trail bytes 0x40 to 0xFE

  static uint32_t Cell(unsigned char lead, unsigned char trail) {
    // The euro byte, four-byte codes (a digit second) and bytes no code has.
    if (lead == 0x80 || lead == 0xFF || trail < 0x40 || trail == 0x7F || trail == 0xFF) return kNoCell;
    std::atomic<uint32_t>& cell = cells_[(lead - 0x81) * kTrails + (trail - 0x40)];
    uint32_t value = cell.load(std::memory_order_relaxed);
    if (value == 0) {
      value = Find(lead, trail);
      cell.store(value, std::memory_order_relaxed);
    }
    return value;
  }

  static uint32_t Find(unsigned char lead, unsigned char trail) {
    const char code[] = {static_cast<char>(lead), static_cast<char>(trail)};
    std::string utf8;
    if (!ConvertToUtf8(std::string_view(code, 2), utf8) || utf8.empty() || utf8.size() > 3) return kNoCell;
    uint32_t value = static_cast<uint32_t>(utf8.size()) << 24;
    for (size_t k = 0; k < utf8.size(); ++k)
      value |= static_cast<uint32_t>(static_cast<unsigned char>(utf8[k])) << (8 * k);
    return value;
  }

  static std::atomic<uint32_t> cells_[(0xFF - 0x81) * kTrails];
};

std::atomic<uint32_t> TwoByteCodes::cells_[(0xFF - 0x81) * kTrails];

}  // namespace

bool TryToUtf8(std::string_view gbk, std::string& out) {
  out.clear();
  if (IsAscii(gbk)) {
    out.assign(gbk);
    return true;
  }
  if (TwoByteCodes::Append(gbk, out)) return true;
  out.clear();
  return ConvertToUtf8(gbk, out);
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
  CString out;
  if (FromUtf8Converter().AppendAll(utf8, out) && !HoldsForeignCode(out, true)) return out;
  out.clear();
  if (!EncodeRuns(utf8, out)) ThrowDomError(kErrNoUnicodeMap, "text is no valid UTF-8");
  return out;
}

}  // namespace gxrm
