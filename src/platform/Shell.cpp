#include "platform/Shell.h"

#include <cstdlib>
#include <mutex>

namespace zanto::platform {
namespace {

struct Handlers {
  std::mutex Mutex;
  TShell::OpenHandler Open;
  TShell::PowerOffHandler PowerOff;
};

Handlers& H() {
  static Handlers handlers;
  return handlers;
}

}  // namespace

bool TShell::Open(const std::string& target) {
  OpenHandler handler;
  {
    std::lock_guard lock(H().Mutex);
    handler = H().Open;
  }
  return handler ? handler(target) : false;
}

TShell::OpenHandler TShell::SetOpenHandler(OpenHandler handler) {
  std::lock_guard lock(H().Mutex);
  OpenHandler previous = std::move(H().Open);
  H().Open = std::move(handler);
  return previous;
}

TShell::PowerOffHandler TShell::SetPowerOffHandler(PowerOffHandler handler) {
  std::lock_guard lock(H().Mutex);
  PowerOffHandler previous = std::move(H().PowerOff);
  H().PowerOff = std::move(handler);
  return previous;
}

void TShell::PowerOff() {
  PowerOffHandler handler;
  {
    std::lock_guard lock(H().Mutex);
    handler = H().PowerOff;
  }
  // Only the window program installs SystemPowerOff; anything else (tests, the command line)
  // never powers the machine off by accident.
  if (handler) handler();
}

void SystemPowerOff() {
  // logind decides whether this user may power the machine off; nothing else is tried.
  [[maybe_unused]] int rc = std::system("systemctl poweroff");
}

}  // namespace zanto::platform
