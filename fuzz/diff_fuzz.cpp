// libFuzzer target: two GXRM documents cut from one input at its first NUL
// byte (an input without one is compared with itself), compared as the
// tool's diff compares them, whole and for one floor. Only gxrm::DomError
// may come out; anything else (another exception, a crash, a sanitizer
// report) is a finding.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "diff_model.h"

namespace {

namespace diff = gxrm::tool::diff;

// The model of `bytes`; none when they are no model.
std::optional<gxrm::Model> Parsed(std::string_view bytes) {
  try {
    return gxrm::Model::Parse(bytes, "input");
  } catch (const gxrm::ModelError&) {
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\0');
  const std::string_view old_bytes = input.substr(0, cut);
  const std::string_view new_bytes = cut == std::string_view::npos ? input : input.substr(cut + 1);
  try {
    const std::optional<gxrm::Model> old_model = Parsed(old_bytes), new_model = Parsed(new_bytes);
    if (!old_model || !new_model) return 0;
    const std::vector<diff::Change> changes = diff::Compare(*old_model, *new_model);
    if (old_bytes == new_bytes && !changes.empty()) std::abort();  // a model differs from itself
    diff::ToJson(changes).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    const std::vector<std::string> floors = new_model->Floors();
    diff::Filter filter;
    filter.floor = floors.empty() ? std::string() : floors.front();
    filter.type_name = gxrm::tool::CatalogueTypes().front().name;
    diff::Compare(*old_model, *new_model, filter);
  } catch (const gxrm::DomError&) {
  }
  return 0;
}
