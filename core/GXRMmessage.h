// GXRMmessage.h: how the library's two user messages reach the user.
//
// The library shows a message only when its configuration file cannot be
// read. By default the text goes, as UTF-8 and with a line feed, to standard
// error; a host with a user interface installs its own handler.
#pragma once

#include <functional>

#include "GXRMapi.h"

namespace gxrm {

/// Receives the message text (GBK) and the message-box style (0x1040 or 0).
using MessageHandler = std::function<void(const CString& text, unsigned int style)>;

/// Installs `handler` and returns the one it replaced; an empty handler
/// restores the default.
GXRM_API MessageHandler SetMessageHandler(MessageHandler handler);

}  // namespace gxrm
