#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QImage>
#include <filesystem>

#include "app/ui/CoverWindow.h"
#include "app/ui/MainWindow.h"
#include "platform/MessageBox.h"
#include "support/ScopedProgramFolder.h"
#include "support/TempDir.h"

namespace zanto::app {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing Qt down from the exit handlers, after the platform plugin has
  // registered its input devices, crashes inside Qt.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

TEST(MainWindow, ShowsTitleVersionAndOutputFolderAndAsksBeforeClosing) {
  App();
  test::TempDir dir;
  const test::TScopedProgramFolder folder(dir.Path());
  {
    TfrmMain window;
    window.show();
    EXPECT_EQ(window.windowTitle().toStdString(), "Zanto WMV MP4 Converter 3.300 ");
    EXPECT_EQ(window.edDirectory->text().toStdString(), "c:\\videoconverter");
    EXPECT_EQ(window.size(), QSize(786, 522));
    EXPECT_FALSE(window.btnSettings->isVisible());
    // Showing the stored folder does not write it.
    EXPECT_FALSE(window.Shell().Settings().Ini().ValueExists("settings", "OutPutDir"));

    int answer = platform::IDNO;
    platform::TScopedMessageBoxHandler handler(
        [&](const platform::TMessageBoxRequest&) { return answer; });
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    answer = platform::IDYES;
    EXPECT_TRUE(window.close());
  }
}

// Runs the event loop until done() holds or the time-out passes.
template <class Done>
bool PumpUntil(Done done, int timeoutMs = 30000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.hasExpired(timeoutMs)) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  }
  return true;
}

TEST(Splash, ShowsTheWmvMp4PictureWhenPresentAndClosesOnceTheMainWindowShows) {
  App();
  test::TempDir dir;
  const test::TScopedProgramFolder folder(dir.Path());
  {
    TfrmCover empty;
    EXPECT_FALSE(empty.HasPicture());
  }
  std::filesystem::create_directory(dir.File("skin"));
  QImage video(200, 100, QImage::Format_RGB32), wmvmp4(120, 60, QImage::Format_RGB32);
  video.fill(Qt::red);
  wmvmp4.fill(Qt::blue);
  ASSERT_TRUE(video.save(QString::fromStdString(dir.File("skin/videocover.jpg")), "JPG"));
  {
    TfrmCover cover;
    EXPECT_TRUE(cover.HasPicture());
    EXPECT_EQ(cover.size(), QSize(200, 100));
  }
  ASSERT_TRUE(wmvmp4.save(QString::fromStdString(dir.File("skin/wmvmp4cover.jpg")), "JPG"));
  TfrmCover cover;
  EXPECT_EQ(cover.size(), QSize(120, 60));
  cover.show();
  QWidget main;
  cover.CloseWhenShown(&main);
  main.show();
  EXPECT_TRUE(PumpUntil([&] { return !cover.isVisible(); }));
}

// The build draws the splash picture beside the program.
TEST(Splash, TheBuildShipsAPicture) {
  App();
  const test::TScopedProgramFolder folder(ZANTO_BIN_DIR);
  TfrmCover cover;
  EXPECT_TRUE(cover.HasPicture());
  EXPECT_GT(cover.width(), 0);
}

}  // namespace
}  // namespace zanto::app
