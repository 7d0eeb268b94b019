#include "core/GXRMxmlchars.h"

#include <expat.h>

#include <array>
#include <deque>
#include <string>
#include <unordered_set>

namespace gxrm::xml {

namespace {

constexpr char32_t kBad = 0xFFFFFFFF;

// Decodes one UTF-8 character at `pos` and advances; kBad for invalid bytes,
// overlong forms, surrogates and values beyond U+10FFFF.
char32_t Decode(std::string_view s, size_t& pos) {
  unsigned char c = s[pos++];
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
  if (extra < 0 || c > 0xF4 || pos + extra > s.size()) return kBad;
  char32_t cp = c & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    unsigned char t = s[pos++];
    if ((t & 0xC0) != 0x80) return kBad;
    cp = (cp << 6) | (t & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kBad;
  return cp;
}

// Classes of the bytes below 0x80: 1 may start a name, 2 may continue one,
// 4 is plain text that needs no check.
constexpr unsigned char kNameStart = 1, kNameChar = 2, kPlainText = 4;

constexpr std::array<unsigned char, 128> MakeAsciiClasses() {
  std::array<unsigned char, 128> t{};
  for (int c = 0x20; c < 0x80; ++c) t[c] = kPlainText;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] |= kNameStart | kNameChar;
  for (int c = 'a'; c <= 'z'; ++c) t[c] |= kNameStart | kNameChar;
  for (int c = '0'; c <= '9'; ++c) t[c] |= kNameChar;
  for (char c : {'_', ':'}) t[static_cast<unsigned char>(c)] |= kNameStart | kNameChar;
  for (char c : {'-', '.'}) t[static_cast<unsigned char>(c)] |= kNameChar;
  return t;
}
constexpr std::array<unsigned char, 128> kAscii = MakeAsciiClasses();

bool IsAsciiNameStart(unsigned char c) { return c < 0x80 && (kAscii[c] & kNameStart); }
bool IsAsciiNameChar(unsigned char c) { return c < 0x80 && (kAscii[c] & kNameChar); }

bool IsNameStart(char32_t c) {
  if (c < 0x80) return IsAsciiNameStart(static_cast<unsigned char>(c));
  return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
         (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
         (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
         (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c) {
  if (c < 0x80) return IsAsciiNameChar(static_cast<unsigned char>(c));
  return IsNameStart(c) || c == 0xB7 || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

bool IsCharProduction(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

bool MatchesNameProduction(std::string_view s) {
  size_t pos = 0;
  bool first = true;
  while (pos < s.size()) {
    char32_t c = Decode(s, pos);
    if (c == kBad || !(first ? IsNameStart(c) : IsNameChar(c))) return false;
    first = false;
  }
  return !first;
}

// The parser's name tables are older than the Name production; a name it
// would refuse must not enter a document that could then not be read back.
bool LoaderAcceptsName(std::string_view name) {
  XML_Parser parser = XML_ParserCreate("UTF-8");
  if (!parser) return false;
  std::string doc = "<" + std::string(name) + "/>";
  bool ok = XML_Parse(parser, doc.data(), static_cast<int>(doc.size()), 1) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return ok;
}

// Non-ASCII names already accepted on this thread; hosts use few names often.
class AcceptedNames {
 public:
  bool Contains(std::string_view name) const { return index_.count(name) != 0; }
  void Add(std::string_view name) {
    if (index_.size() >= 4096) return;
    index_.insert(store_.emplace_back(name));
  }

 private:
  std::deque<std::string> store_;               // stable storage for the views
  std::unordered_set<std::string_view> index_;  // looked up without a copy
};

bool IsNonAsciiName(std::string_view name) {
  thread_local AcceptedNames accepted;
  if (accepted.Contains(name)) return true;
  if (!MatchesNameProduction(name) || !LoaderAcceptsName(name)) return false;
  accepted.Add(name);
  return true;
}

}  // namespace

bool IsName(std::string_view utf8) {
  if (utf8.empty()) return false;
  if (!IsAsciiNameStart(static_cast<unsigned char>(utf8[0]))) return IsNonAsciiName(utf8);
  for (unsigned char c : utf8) {
    if (!IsAsciiNameChar(c)) return IsNonAsciiName(utf8);
  }
  return true;
}

bool IsText(std::string_view utf8) {
  size_t pos = 0;
  const size_t size = utf8.size();
  while (pos < size) {
    unsigned char c = utf8[pos];
    if (c < 0x80) {
      if (!(kAscii[c] & kPlainText) && c != '\t' && c != '\n' && c != '\r') return false;
      ++pos;
      continue;
    }
    // Three-byte characters, the Chinese text, checked without decoding:
    // no overlong form, no surrogate, not U+FFFE or U+FFFF.
    if (c >= 0xE1 && c <= 0xEF && c != 0xED && pos + 2 < size) {
      unsigned char c1 = utf8[pos + 1], c2 = utf8[pos + 2];
      if ((c1 & 0xC0) != 0x80 || (c2 & 0xC0) != 0x80) return false;
      if (c == 0xEF && c1 == 0xBF && c2 >= 0xBE) return false;
      pos += 3;
      continue;
    }
    char32_t cp = Decode(utf8, pos);
    if (cp == kBad || !IsCharProduction(cp)) return false;
  }
  return true;
}

bool IsWhiteSpace(std::string_view text) noexcept {
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
  }
  return true;
}

}  // namespace gxrm::xml
