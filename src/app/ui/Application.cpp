#include "app/ui/Application.h"

#include <QTimer>

#include "app/ErrorReport.h"
#include "app/ui/CoverWindow.h"
#include "app/ui/MainWindow.h"
#include "platform/Shell.h"
#include "platform/qt/QtPlatform.h"

namespace zanto::app {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowApplicationError(ErrorCaption_, e);
  } catch (...) {
    ShowApplicationError(ErrorCaption_, std::runtime_error("Unknown error"));
  }
  return false;
}

int RunProgram(int argc, char** argv) {
  TApplication app(argc, argv);
  platform::InstallQtPlatform(true);
  platform::TShell::SetPowerOffHandler(platform::SystemPowerOff);

  TfrmCover cover;
  cover.show();
  cover.repaint();
  app.setApplicationName("Zanto Video Converter");

  TfrmMain main;
  app.SetErrorCaption(main.Shell().Global().AppTitle);
  main.show();
  cover.CloseWhenShown(&main);
  return app.exec();
}

}  // namespace zanto::app
