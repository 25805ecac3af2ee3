#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>

#include "app/ui/MainWindow.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace zanto::app {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

TEST(MainWindow, ShowsTitleVersionAndOutputFolderAndAsksBeforeClosing) {
  App();
  test::TempDir dir;
  const std::string saved = platform::ProgramFolder();
  platform::SetProgramFolder(dir.Path());
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
  platform::SetProgramFolder(saved);
}

}  // namespace
}  // namespace zanto::app
