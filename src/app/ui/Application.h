#pragma once
#include <QApplication>

#include <string>

namespace zanto::app {

// The application object: every exception that escapes an event handler ends in the error
// report instead of ending the program.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
  void SetErrorCaption(const std::string& caption) { ErrorCaption_ = caption; }

 private:
  std::string ErrorCaption_ = "Zanto Video Converter";
};

// The start-up sequence: splash, title, main window, message loop.
int RunProgram(int argc, char** argv);

}  // namespace zanto::app
