#include "app/ui/CoverWindow.h"

#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include "platform/Paths.h"

namespace zanto::app {

TfrmCover::TfrmCover() : QLabel(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  // The WMV MP4 edition's picture replaces the video converter edition's when both exist.
  QPixmap picture;
  for (const char* name : {"skin/videocover.jpg", "skin/wmvmp4cover.jpg"}) {
    const QString path = QString::fromStdString(platform::ProgramFolder()) + name;
    QPixmap p;
    if (QFile::exists(path) && p.load(path)) picture = p;
  }
  HasPicture_ = !picture.isNull();
  setPixmap(picture);
  resize(picture.size());
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
  Timer_.setInterval(1000);
}

void TfrmCover::CloseWhenShown(QWidget* mainWindow) {
  QObject::connect(&Timer_, &QTimer::timeout, this, [this, mainWindow] {
    if (mainWindow->isVisible()) {
      Timer_.stop();
      close();
    }
  });
  Timer_.start();
}

}  // namespace zanto::app
