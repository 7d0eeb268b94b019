#include "core/GXRMerror.h"

#include <cstdio>

namespace gxrm {

namespace {
std::string FormatMessage(uint32_t code, const std::string& what) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
  return std::string("DOM error ") + hex + ": " + what;
}
}  // namespace

DomError::DomError(uint32_t code, const std::string& what)
    : code_(code), message_(FormatMessage(code, what)) {}

void ThrowDomError(uint32_t code, const std::string& what) { throw DomError(code, what); }

}  // namespace gxrm
