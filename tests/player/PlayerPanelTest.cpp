// The panel widget, painted off-screen: a played picture lands in the widget with black bars
// around it, and the panel's size becomes the player's output area.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "PlayerTestSupport.h"
#include "platform/MainThread.h"
#include "player/ui/PlayerPanel.h"

namespace zanto::player {
namespace {

using test::ColourName;
using test::TCountingPlayer;
using test::TPlayerRecorder;
using test::WaitFor;

class PlayerPanel : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "player_panel_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) App_ = new QApplication(argc, argv);
    platform::TMainThread::SetProcessEvents([] { QCoreApplication::processEvents(); });
    TPreviewPlayer loader;
    ASSERT_TRUE(loader.LoadLibraries("")) << loader.LastErrorMessage();
  }
  static void TearDownTestSuite() { platform::TMainThread::SetProcessEvents(nullptr); }
  static inline QApplication* App_ = nullptr;
};

std::string GrabColour(const QImage& image, int x, int y) {
  const QColor c = image.pixelColor(x, y);
  return ColourName({c.red(), c.green(), c.blue()});
}

TEST_F(PlayerPanel, PaintsThePlayedPictureCentredWithBars) {
  TPlayerPanel panel;
  panel.resize(480, 240);
  panel.show();
  ASSERT_TRUE(WaitFor([&] { return panel.AreaWidth() == 480; }));
  TCountingPlayer player;
  TPlayerRecorder events(player);
  ASSERT_TRUE(player.Open(test::PlayerFixture("pattern.mp4"), &panel, true)) << player.LastErrorMessage();
  ASSERT_TRUE(WaitFor([&] { return events.HasState(psPause) && player.Shown >= 2 && panel.LatestImage(); }));
  int w, h;
  player.OutputArea(w, h);
  EXPECT_EQ(w, 480);
  EXPECT_EQ(h, 240);
  // 4:3 in 480 x 240: 320 x 240 at x = 80, black on both sides.
  QImage grab;
  ASSERT_TRUE(WaitFor([&] {
    grab = panel.grab().toImage();
    return GrabColour(grab, 160, 120) == "red";
  }));
  EXPECT_EQ(GrabColour(grab, 40, 120), "black");
  EXPECT_EQ(GrabColour(grab, 320, 120), "blue");
  EXPECT_EQ(GrabColour(grab, 440, 120), "black");

  // A resized panel is the new output area; the paused picture is drawn again to fit.
  panel.resize(320, 480);
  ASSERT_TRUE(WaitFor([&] {
    auto image = panel.LatestImage();
    return image && image->AreaWidth == 320 && image->AreaHeight == 480;
  }));
  EXPECT_EQ(panel.LatestImage()->Target, (TDisplayRect{0, 120, 320, 240}));
  ASSERT_TRUE(WaitFor([&] {
    grab = panel.grab().toImage();
    return GrabColour(grab, 80, 240) == "red";
  }));
  EXPECT_EQ(GrabColour(grab, 80, 60), "black");
  player.Stop(true);
}

}  // namespace
}  // namespace zanto::player
