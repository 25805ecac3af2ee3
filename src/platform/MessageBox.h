#pragma once
// Message boxes with the Windows-style flags and result codes. The window program installs a
// handler that shows a real box; tests install one that records the question and answers it.
// Without a handler the text goes to standard error and the first button is the answer.
#include <functional>
#include <string>

namespace zanto::platform {

enum : unsigned {
  MB_OK = 0x00,
  MB_OKCANCEL = 0x01,
  MB_YESNOCANCEL = 0x03,
  MB_YESNO = 0x04,
  MB_ICONERROR = 0x10,     // also MB_ICONHAND / MB_ICONSTOP
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,   // also MB_ICONEXCLAMATION
  MB_ICONINFORMATION = 0x40,
};
inline constexpr unsigned MB_ICONEXCLAMATION = MB_ICONWARNING;

enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct TMessageBoxRequest {
  std::string Text;
  std::string Caption;
  unsigned Flags = MB_OK;
};

class TMessageBox {
 public:
  using Handler = std::function<int(const TMessageBoxRequest&)>;

  // Shows the box and returns IDOK, IDCANCEL, IDYES or IDNO.
  static int Show(const std::string& text, const std::string& caption, unsigned flags = MB_OK);
  // Installs a handler; returns the previous one. An empty handler restores the default.
  static Handler SetHandler(Handler handler);
};

// Installs a handler for a scope and restores the previous one afterwards.
class TScopedMessageBoxHandler {
 public:
  explicit TScopedMessageBoxHandler(TMessageBox::Handler handler)
      : Previous_(TMessageBox::SetHandler(std::move(handler))) {}
  ~TScopedMessageBoxHandler() { TMessageBox::SetHandler(std::move(Previous_)); }
  TScopedMessageBoxHandler(const TScopedMessageBoxHandler&) = delete;
  TScopedMessageBoxHandler& operator=(const TScopedMessageBoxHandler&) = delete;

 private:
  TMessageBox::Handler Previous_;
};

}  // namespace zanto::platform
