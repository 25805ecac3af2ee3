#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>

namespace zanto::platform {
namespace {

std::mutex& HandlerMutex() {
  static std::mutex m;
  return m;
}
TMessageBox::Handler& CurrentHandler() {
  static TMessageBox::Handler handler;
  return handler;
}

int DefaultAnswer(const TMessageBoxRequest& request) {
  std::fprintf(stderr, "%s: %s\n", request.Caption.c_str(), request.Text.c_str());
  switch (request.Flags & 0x0F) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
      return IDYES;
    default:
      return IDOK;
  }
}

}  // namespace

int TMessageBox::Show(const std::string& text, const std::string& caption, unsigned flags) {
  Handler handler;
  {
    std::lock_guard lock(HandlerMutex());
    handler = CurrentHandler();
  }
  const TMessageBoxRequest request{text, caption, flags};
  return handler ? handler(request) : DefaultAnswer(request);
}

TMessageBox::Handler TMessageBox::SetHandler(Handler handler) {
  std::lock_guard lock(HandlerMutex());
  Handler previous = std::move(CurrentHandler());
  CurrentHandler() = std::move(handler);
  return previous;
}

}  // namespace zanto::platform
