// tool.cpp: text conversion, loading and type parsing for every subcommand.
#include "tool.h"

#include "catalogue/GXRMkindsImpl.h"
#include "catalogue/GXRMnames.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>

namespace gxrm::tool {

std::string Utf8(const CString& gbk) { return gxrm::ToUtf8(gbk); }

CString Gbk(std::string_view utf8) { return gxrm::FromUtf8(utf8); }

namespace {

bool ValidUtf8(std::string_view text) {
  try {
    Gbk(text);
    return true;
  } catch (const gxrm::DomError&) {
    return false;
  }
}

// `text` with each byte that is no part of a valid UTF-8 character, and each
// control character, shown as \xHH.
std::string Escaped(std::string_view text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    const std::string_view character = text.substr(i, length);
    if (byte >= 0x20 && byte != 0x7F && ValidUtf8(character)) {
      shown += character;
      i += length;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      shown += hex;
      ++i;
    }
  }
  return shown;
}

// Floors an unknown floor's message lists at most.
constexpr std::size_t kFloorsShown = 8;
constexpr char kConfigurationFile[] = "GXRMconfig.ini";

// The UTF-8 characters of `text`, one string each.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  for (std::size_t i = 0, n; i < text.size(); i += n) {
    for (n = 1; i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80;) ++n;
    characters.push_back(text.substr(i, n));
  }
  return characters;
}

// Levenshtein distance over characters, in two rows.
std::size_t EditDistance(std::string_view a_text, std::string_view b_text) {
  const std::vector<std::string_view> a = Characters(a_text), b = Characters(b_text);
  std::vector<std::size_t> row(b.size() + 1), next(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 0; i < a.size(); ++i) {
    next[0] = i + 1;
    for (std::size_t j = 0; j < b.size(); ++j)
      next[j + 1] = std::min({row[j + 1] + 1, next[j] + 1, row[j] + (a[i] != b[j])});
    std::swap(row, next);
  }
  return row[b.size()];
}

}  // namespace

std::string NonUtf8Argument(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (!ValidUtf8(argv[i]))
      return "argument " + std::to_string(i) + " ('" + Escaped(argv[i]) + "') is not UTF-8";
  }
  return std::string();
}

namespace {

// Standard input copied to a temporary file the reader loads, removed again.
class StandardInputFile {
 public:
  StandardInputFile() {
    const std::string bytes = ReadStandardInput();
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/gxrm-stdin-XXXXXX";
    const int fd = ::mkstemp(path_.data());
    if (fd < 0)
      throw ToolError("standard input: cannot make a temporary file: " + std::string(std::strerror(errno)));
    int err = 0;
    for (std::size_t at = 0; err == 0 && at < bytes.size();) {
      const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
      if (n < 0 && errno != EINTR) err = errno;
      if (n > 0) at += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (err != 0) {
      ::unlink(path_.c_str());
      throw ToolError("standard input: cannot be copied: " + std::string(std::strerror(err)));
    }
  }
  StandardInputFile(const StandardInputFile&) = delete;
  StandardInputFile& operator=(const StandardInputFile&) = delete;
  ~StandardInputFile() { ::unlink(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A model's root is named "GXRMheader_v" and its version.
void RequireModelRoot(CGXRMreader& reader, const std::string& name) {
  IXMLDOMElementPtr root;
  reader.GetRootElem(root);
  const std::string found = root ? root.nodeName() : std::string();
  if (found.rfind(gxrm::format::kRootPrefix, 0) == 0) return;
  throw NotAModel(name, found);
}

}  // namespace

ToolError NotAModel(const std::string& name, const std::string& root) {
  return ToolError(name + ": not a GXRM model: its root element is <" + root +
                   ">, where a model's is named " + gxrm::format::kRootPrefix + " and its version");
}

std::string FileName(const std::string& path) { return path == "-" ? "standard input" : path; }

std::string ReadStandardInput() {
  std::string bytes;
  char buf[1 << 16];
  for (ssize_t n; (n = ::read(STDIN_FILENO, buf, sizeof buf)) != 0;) {
    if (n > 0)
      bytes.append(buf, static_cast<std::size_t>(n));
    else if (errno != EINTR)
      throw ToolError("standard input: cannot be read: " + std::string(std::strerror(errno)));
  }
  return bytes;
}

void Load(CGXRMreader& reader, const std::string& path) {
  const std::string name = FileName(path);
  std::optional<StandardInputFile> input;
  if (path == "-") input.emplace();
  const std::string& file = input ? input->path() : path;
  const bool loaded = OnFile(name, [&] { return reader.LoadGXRMfile(Gbk(file)); });
  if (loaded) return RequireModelRoot(reader, name);
  const gxrm::dom::ParseError& error = reader.GetLoadError();
  std::string where;
  if (error.line > 0) {
    where = "line " + std::to_string(error.line) + ", column " + std::to_string(error.linepos) + ": ";
  }
  std::string reason = error.reason;
  if (input) {  // the temporary file's name means nothing to the user
    for (std::size_t at; (at = reason.find(file)) != std::string::npos;)
      reason.replace(at, file.size(), name);
  }
  throw ToolError(name + ": " + where + reason);
}

std::string NoSuchFloor(const std::string& file, const std::string& floor,
                        const std::vector<std::string>& floors) {
  std::string message = file + ": no floor named '" + floor + "'";
  if (floors.empty()) return message + " (the file has no floors)";
  std::vector<std::string> shown = floors;
  std::string lead = " (its floors: ";
  if (shown.size() > kFloorsShown) {
    // The closest names by edit distance, ties in the file's order.
    std::vector<std::pair<std::size_t, std::size_t>> by_distance;  // distance, place
    for (std::size_t i = 0; i < floors.size(); ++i)
      by_distance.emplace_back(EditDistance(floors[i], floor), i);
    std::partial_sort(by_distance.begin(), by_distance.begin() + kFloorsShown, by_distance.end());
    shown.clear();
    for (std::size_t i = 0; i < kFloorsShown; ++i) shown.push_back(floors[by_distance[i].second]);
    lead = " (the closest of its " + std::to_string(floors.size()) + " floors: ";
  }
  message += lead;
  for (std::size_t i = 0; i < shown.size(); ++i) message += (i > 0 ? ", " : "") + Quoted(shown[i]);
  return message + ")";
}

std::vector<std::string> FloorNames(const gxrm::dom::Element& root) {
  std::vector<std::string> names;
  for (gxrm::dom::Node floor : root.selectNodes(gxrm::format::kFloor))
    names.push_back(gxrm::dom::Element(floor).getAttribute(gxrm::format::kAttFloorName));
  return names;
}

std::string ConfigurationPath() {
  try {
    return Utf8(CGXRMfileParser::GetModulePath()) + kConfigurationFile;
  } catch (const CString&) {
    return kConfigurationFile;
  }
}

void ExplainConfigurationMessages() {
  gxrm::SetMessageHandler([](const CString& text, unsigned) {
    std::cerr << "gxrm: " << Utf8(text) << '\n'
              << "gxrm: no format version in " << ConfigurationPath()
              << " (section GXRM_Global_Config, key GXRMversion): files are written with an empty version, "
                 "their root named <"
              << gxrm::format::kRootPrefix << ">\n";
  });
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }
std::string Sub(const std::string& where, std::string_view name) { return where + "." + std::string(name); }
std::string Sub(const std::string& where, std::size_t index) {
  return where + "[" + std::to_string(index) + "]";
}

const std::vector<CatalogueType>& CatalogueTypes() {
  static const std::vector<CatalogueType> types = [] {
    std::vector<CatalogueType> all;
    for (const catalogue::KindTypes& kind : catalogue::KindsWithTypes()) {
      for (const GXRM_objType_define& row : kind.types) {
        all.push_back({kind.kind, row.type, kind.element, Utf8(row.name), row.speciality});
      }
    }
    return all;
  }();
  return types;
}

GXRM_objType_base::Type ParseType(const std::string& text) {
  const bool numeric = !text.empty() && text.size() <= 2 &&
                       std::isdigit(static_cast<unsigned char>(text[0])) &&
                       std::isdigit(static_cast<unsigned char>(text.back()));
  if (numeric) {
    const int value = std::stoi(text);
    if (value < CGXRMobjTypeBase::GetObjTypeCount()) return static_cast<GXRM_objType_base::Type>(value);
  } else if (const auto type = gxrm::ParseType(text)) {
    return *type;
  }
  throw ToolError("unknown component type '" + text + "' (see gxrm catalogue)");
}

}  // namespace gxrm::tool
