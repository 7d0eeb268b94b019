// GXRMmessageImpl.h: how the library itself shows a message (not installed).
#pragma once

#include "core/GXRMmessage.h"

namespace gxrm {

// Shows a message through the installed handler and returns when it returned.
void ShowMessage(const CString& text, unsigned int style);

}  // namespace gxrm
