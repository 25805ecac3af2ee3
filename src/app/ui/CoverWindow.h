#pragma once
#include <QLabel>
#include <QTimer>

namespace zanto::app {

// The splash: borderless, centred, one picture; closes at the first tick of its 1-second timer
// after the main window shows.
class TfrmCover : public QLabel {
 public:
  TfrmCover();
  void CloseWhenShown(QWidget* mainWindow);
  bool HasPicture() const { return HasPicture_; }

 private:
  QTimer Timer_;
  bool HasPicture_ = false;
};

}  // namespace zanto::app
