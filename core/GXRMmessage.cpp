#include "core/GXRMmessageImpl.h"

#include <cstdio>
#include <mutex>

#include "core/GXRMtextImpl.h"

namespace gxrm {

namespace {

void WriteToStandardError(const CString& text, unsigned int) {
  std::string utf8;
  if (!TryToUtf8(text, utf8)) utf8 = text;
  std::fprintf(stderr, "%s\n", utf8.c_str());
}

std::mutex& HandlerMutex() {
  static std::mutex mutex;
  return mutex;
}

MessageHandler& Handler() {
  static MessageHandler handler = WriteToStandardError;
  return handler;
}

}  // namespace

MessageHandler SetMessageHandler(MessageHandler handler) {
  std::lock_guard<std::mutex> lock(HandlerMutex());
  MessageHandler old = std::move(Handler());
  Handler() = handler ? std::move(handler) : MessageHandler(WriteToStandardError);
  return old;
}

void ShowMessage(const CString& text, unsigned int style) {
  MessageHandler handler;
  {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    handler = Handler();
  }
  handler(text, style);
}

}  // namespace gxrm
