// tool.cpp: text conversion, loading and type parsing for every subcommand.
#include "tool.h"

#include "catalogue/GXRMkindsImpl.h"

#include <cctype>
#include <cstdio>
#include <map>

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

}  // namespace

std::string NonUtf8Argument(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (!ValidUtf8(argv[i]))
      return "argument " + std::to_string(i) + " ('" + Escaped(argv[i]) + "') is not UTF-8";
  }
  return std::string();
}

void Load(CGXRMreader& reader, const std::string& path) {
  const bool loaded = OnFile(path, [&] { return reader.LoadGXRMfile(Gbk(path)); });
  if (loaded) return;
  const gxrm::dom::ParseError& error = reader.GetLoadError();
  std::string where;
  if (error.line > 0) {
    where = "line " + std::to_string(error.line) + ", column " + std::to_string(error.linepos) + ": ";
  }
  throw ToolError(path + ": " + where + error.reason);
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
  } else {
    try {
      const auto type = CGXRMobjTypeBase::GetObjTypeByName(Gbk(text));
      if (type != GXRM_objType_base::TYPE_NONE) return type;
    } catch (const gxrm::DomError&) {
      // Text that is no valid UTF-8 names no type either.
    }
  }
  throw ToolError("unknown component type '" + text + "' (see gxrm catalogue)");
}

}  // namespace gxrm::tool
