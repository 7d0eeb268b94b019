#include <GXRMparser/core/GXRMversion.h>

namespace gxrm {

const char* Version() noexcept { return GXRM_VERSION_STRING; }

}  // namespace gxrm
