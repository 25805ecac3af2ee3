#pragma once
// The system's services that act outside the program: opening a web address or a folder with
// its default handler, and powering the computer off. Both go through replaceable handlers so
// that tests record the calls instead of acting.
#include <functional>
#include <string>

namespace zanto::platform {

class TShell {
 public:
  using OpenHandler = std::function<bool(const std::string& target)>;
  using PowerOffHandler = std::function<void()>;

  // Opens a URL ("http://...") or a local folder or file. Returns False when nothing handled it.
  static bool Open(const std::string& target);
  // The explorer command: shows a folder in the file manager.
  static bool OpenFolder(const std::string& folder) { return Open(folder); }
  static OpenHandler SetOpenHandler(OpenHandler handler);

  static PowerOffHandler SetPowerOffHandler(PowerOffHandler handler);
  static void PowerOff();
};

// Asks the operating system to power the computer off (logind through systemctl). The window
// program installs it as the power-off handler; without a handler PowerOff does nothing.
void SystemPowerOff();

// Shuts the system down and powers the computer off through the current handler.
inline void PowerOffComputer() { TShell::PowerOff(); }

}  // namespace zanto::platform
