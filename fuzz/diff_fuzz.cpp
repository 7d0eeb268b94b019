// libFuzzer target: two GXRM documents cut from one input at its first NUL
// byte (an input without one is compared with itself), compared as the
// tool's diff compares them, whole and for one floor. Only gxrm::DomError
// may come out; anything else (another exception, a crash, a sanitizer
// report) is a finding.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "diff_model.h"

namespace {

namespace diff = gxrm::tool::diff;

// One file per side and process, reused for every input.
std::string InputPath(const char* side) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/diff_fuzz_" + side + "_" + std::to_string(getpid());
}

bool Write(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// The root of `bytes` loaded into `reader`; empty when it does not load.
IXMLDOMElementPtr Loaded(CGXRMreader& reader, const std::string& path, std::string_view bytes) {
  IXMLDOMElementPtr root;
  if (Write(path, bytes) && reader.LoadGXRMfile(path)) reader.GetRootElem(root);
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string old_path = InputPath("old"), new_path = InputPath("new");
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\0');
  const std::string_view old_bytes = input.substr(0, cut);
  const std::string_view new_bytes = cut == std::string_view::npos ? input : input.substr(cut + 1);
  try {
    CGXRMreader old_reader, new_reader;
    const IXMLDOMElementPtr old_root = Loaded(old_reader, old_path, old_bytes);
    const IXMLDOMElementPtr new_root = Loaded(new_reader, new_path, new_bytes);
    if (!old_root || !new_root) return 0;
    const std::vector<diff::Change> changes = diff::Compare(old_root, new_root);
    if (old_bytes == new_bytes && !changes.empty()) std::abort();  // a model differs from itself
    diff::ToJson(changes).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    const IXMLDOMElementPtr floor = new_root.selectSingleNode(gxrm::format::kFloor);
    diff::Filter filter;
    filter.floor = floor ? floor.getAttribute(gxrm::format::kAttFloorName) : std::string();
    filter.type_name = gxrm::tool::CatalogueTypes().front().name;
    diff::Compare(old_root, new_root, filter);
  } catch (const gxrm::DomError&) {
  }
  return 0;
}
