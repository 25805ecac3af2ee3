// The drawing rules of the output area and the wave display's trigger point.
#include <gtest/gtest.h>

#include "player/DisplayGeometry.h"

namespace zanto::player {
namespace {

struct TRectCase {
  const char* Name;
  float AspectRatio;
  int AreaW, AreaH, SarNum, SarDen, PicW, PicH;
  TDisplayRect Expected;
};

TEST(PlayerDisplayRect, FollowsTheAspectRatioRule) {
  const TRectCase cases[] = {
      // A PAL 16:9 picture in a 400 x 300 area.
      {"own aspect", 0.0f, 400, 300, 64, 45, 720, 576, {0, 38, 400, 224}},
      {"fill the area", -1.0f, 400, 300, 64, 45, 720, 576, {0, 0, 400, 300}},
      {"square", 1.0f, 400, 300, 64, 45, 720, 576, {50, 0, 300, 300}},
      // Unknown pixel aspect counts as square pixels.
      {"unknown pixel aspect", 0.0f, 480, 240, 0, 1, 320, 240, {80, 0, 320, 240}},
      // An odd computed width (401) is drawn one pixel narrower.
      {"even width", 2.005f, 401, 200, 1, 1, 10, 10, {0, 0, 400, 200}},
      // Limited by the width: the area's width, and an even height (301 / 1.5 = 200.67 -> 200).
      {"even height", 1.5f, 301, 400, 1, 1, 10, 10, {0, 100, 301, 200}},
  };
  for (const auto& c : cases) {
    const double a = DisplayAspect(c.AspectRatio, c.AreaW, c.AreaH, c.SarNum, c.SarDen, c.PicW, c.PicH);
    EXPECT_EQ(DisplayRect(c.AreaW, c.AreaH, a), c.Expected) << c.Name;
  }
}

TEST(PlayerDisplayRect, AnEmptyAreaDrawsNothing) {
  EXPECT_EQ(DisplayRect(0, 300, 1.0), TDisplayRect{});
  EXPECT_EQ(DisplayRect(400, 300, 0.0), TDisplayRect{});
}

TEST(PlayerWaveDisplay, TriggerPicksTheSteepestZeroCrossing) {
  std::vector<int16_t> ring(kWaveRingSize, 100);
  // Mono: a single place (p = 500) where B (p+4) and C (p+5) straddle zero, with A - D high.
  ring[500] = 2000;
  ring[504] = -5;
  ring[505] = 5;
  ring[509] = -2000;
  EXPECT_EQ(WaveTriggerStart(ring, 800, 1), 500);
  // Nothing qualifies: the start stays.
  std::vector<int16_t> flat(kWaveRingSize, 100);
  EXPECT_EQ(WaveTriggerStart(flat, 800, 1), 800);
}

TEST(PlayerWaveDisplay, DrawsBarsPerChannelAndSeparators) {
  std::vector<int16_t> ring(kWaveRingSize, 0);
  // Stereo: left full positive, right full negative.
  for (int i = 0; i < kWaveRingSize; i += 2) {
    ring[i] = 32767;
    ring[i + 1] = -32768;
  }
  platform::TBitmap24 bitmap(40, 100);
  DrawWave(bitmap, ring, 0, 2);
  auto white = [&](int x, int y) { return bitmap.ScanLine(y)[x * 3] == 255; };
  // Band height 50, half scale 22: left bars below its centre line (25..46), right above (53..74).
  EXPECT_TRUE(white(10, 30));
  EXPECT_FALSE(white(10, 20));
  EXPECT_TRUE(white(10, 70));
  EXPECT_FALSE(white(10, 80));
  EXPECT_TRUE(white(3, 50));  // the separator between the bands
}

}  // namespace
}  // namespace zanto::player
