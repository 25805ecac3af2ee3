#include "app/ErrorReport.h"

#include <new>

#include "engine/FFmpegException.h"
#include "platform/MessageBox.h"

namespace zanto::app {

std::string ApplicationErrorText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

TErrorClass ClassifyError(const std::exception& error) {
  if (dynamic_cast<const engine::FFmpegException*>(&error)) return TErrorClass::Engine;
  return TErrorClass::Other;
}

void ShowApplicationError(const std::string& appTitle, const std::exception& error) {
  const TErrorClass cls = ClassifyError(error);
  if (cls == TErrorClass::AccessViolation) return;
  const unsigned icon =
      cls == TErrorClass::Engine ? platform::MB_ICONEXCLAMATION : platform::MB_ICONERROR;
  platform::TMessageBox::Show(ApplicationErrorText(error.what()), appTitle, platform::MB_OK | icon);
}

}  // namespace zanto::app
