#pragma once
// Connects the platform layer to a running Qt application: synchronised calls are run by the Qt
// event loop, waits of the main thread process Qt events, message boxes are real QMessageBoxes
// (when Widgets are available) and the shell opens targets with QDesktopServices.
namespace zanto::platform {

// Call once from the main thread after the QApplication (or QGuiApplication) exists.
// withWidgets: show message boxes as windows (False for a command-line program).
void InstallQtPlatform(bool withWidgets);

}  // namespace zanto::platform
