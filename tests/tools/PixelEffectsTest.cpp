// The colour, exposure and blend routines against the documented numbers, and the fast paths
// (one fused pass, rows split across threads) against a plain per-pixel reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "RenderTestSupport.h"
#include "tools/EffectTables.h"
#include "tools/PixelEffects.h"

namespace zanto::tools {
namespace {

using platform::TBitmap24;
using test::PixelAt;
using test::SetPixel;
using test::TBgr;

struct TColorCase {
  const char* Name;
  int Brightness, Contrast, Saturation;
  std::vector<TBgr> In, Out;
};

void PrintTo(const TColorCase& c, std::ostream* os) { *os << c.Name; }

class RendererColorTableTest : public testing::TestWithParam<TColorCase> {};

TEST_P(RendererColorTableTest, GivesDocumentedPixels) {
  const TColorCase& c = GetParam();
  TBitmap24 bitmap(static_cast<int>(c.In.size()), 1);
  for (size_t i = 0; i < c.In.size(); ++i) SetPixel(bitmap, static_cast<int>(i), 0, c.In[i]);
  ApplyColorEffects(bitmap, c.Brightness, c.Contrast, c.Saturation);
  for (size_t i = 0; i < c.Out.size(); ++i)
    EXPECT_EQ(PixelAt(bitmap, static_cast<int>(i), 0), c.Out[i]) << "pixel " << i;
}

// Pixels are written (b, g, r).
INSTANTIATE_TEST_SUITE_P(
    Renderer, RendererColorTableTest,
    testing::Values(
        TColorCase{"Saturation0", 256, 0, 0, {{10, 100, 200}}, {{103, 103, 103}}},
        TColorCase{"Brightness512", 512, 0, 256, {{10, 100, 200}}, {{19, 199, 255}}},
        TColorCase{"Brightness128", 128, 0, 256, {{10, 100, 200}}, {{5, 50, 100}}},
        TColorCase{"ContrastMinus100", 255, -100, 255,
                   {{0, 0, 0}, {255, 255, 255}, {10, 100, 200}},
                   {{170, 170, 170}, {170, 170, 170}, {170, 170, 170}}},
        // With brightness and saturation 256 a channel reads the contrast table directly:
        // contrast[100] = 71, contrast[200] = 212.
        TColorCase{"Contrast50", 256, 50, 256, {{100, 200, 100}}, {{71, 212, 71}}},
        TColorCase{"Contrast10KeepsBlackAndWhite", 255, 10, 255,
                   {{0, 0, 0}, {255, 255, 255}}, {{0, 0, 0}, {255, 255, 255}}},
        // At 100 the factor would be infinite; 99 is used, which still spreads values apart.
        TColorCase{"Contrast100", 256, 100, 256, {{169, 170, 171}}, {{106, 170, 234}}}),
    [](const testing::TestParamInfo<TColorCase>& info) { return info.param.Name; });

TEST(RendererColorEffects, NeutralValuesLeaveEveryPixelAlone) {
  TBitmap24 bitmap(256, 64);
  test::FillNoise(bitmap, 7);
  TBitmap24 before;
  before.Assign(bitmap);
  ApplyColorEffects(bitmap, 256, 0, 256);
  EXPECT_TRUE(test::SamePixels(bitmap, before));
}

struct TExposureCase {
  int Exposure;
  std::array<uint8_t, 5> Out;  // for the bytes 0, 64, 128, 192, 255
};

TEST(RendererExposure, GivesDocumentedTables) {
  const TExposureCase cases[] = {
      {100, {0, 125, 196, 235, 255}},
      {512, {0, 228, 252, 254, 255}},
      {-100, {0, 0, 0, 52, 255}},
  };
  for (const TExposureCase& c : cases) {
    // Blue, green and red are treated alike: the five bytes sit in different channels.
    TBitmap24 bitmap(2, 1);
    const uint8_t in[6] = {0, 64, 128, 192, 255, 1};
    std::copy(in, in + 6, bitmap.ScanLine(0));
    ApplyExposure(bitmap, c.Exposure);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(bitmap.ScanLine(0)[i], c.Out[i]) << "E=" << c.Exposure << " byte " << i;
  }
}

TEST(RendererExposure, BlackAndWhiteNeverMove) {
  for (int e = -255; e <= 512; ++e) {
    const auto table = BuildExposureTable(e);
    ASSERT_EQ(table[0], 0) << e;
    ASSERT_EQ(table[255], 255) << e;
    // Positive exposure lifts, negative lowers, never past the ends.
    for (int i = 1; i < 255; ++i) ASSERT_TRUE(e >= 0 ? table[i] >= i : table[i] <= i) << e << " " << i;
  }
}

TEST(RendererTables, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(-2.6), -3);
}

// A plain per-pixel reading of the two passes, one after the other, from the tables.
void ReferencePasses(TBitmap24& bitmap, bool color, int b, int c, int s, bool exposure, int e) {
  const TColorTables t = BuildColorTables(b, c, s);
  const auto lut = BuildExposureTable(e);
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      TBgr px = PixelAt(bitmap, x, y);
      if (color) {
        const int base = t.Grey[px[0] + px[1] + px[2]];
        for (auto& ch : px) ch = t.Tone[std::clamp(base + t.Sat[ch], 0, 255)];
      }
      if (exposure)
        for (auto& ch : px) ch = lut[ch];
      SetPixel(bitmap, x, y, px);
    }
  }
}

TEST(RendererFusedPasses, FusedAndSplitPassesMatchTheReference) {
  struct TValues {
    bool Color;
    int B, C, S;
    bool Exposure;
    int E;
  };
  const TValues cases[] = {
      {true, 255, 0, 300, false, 0},  {true, 512, 100, 512, false, 0}, {true, 0, -100, 0, false, 0},
      {true, 400, 37, 512, true, -255}, {true, 90, -60, 130, true, 512}, {false, 255, 0, 255, true, 77},
      // Out-of-range values are limited to the ranges, not used as table indexes.
      {true, 5000, -500, 100000, true, 9999},
  };
  for (const TValues& v : cases) {
    TBitmap24 source(333, 211);
    test::FillNoise(source, 11);
    TBitmap24 expected;
    expected.Assign(source);
    ReferencePasses(expected, v.Color, LimitBrightness(v.B), LimitContrast(v.C), LimitSaturation(v.S), v.Exposure,
                    LimitExposure(v.E));
    for (int threads : {1, 2, 3}) {
      TBitmap24 bitmap;
      bitmap.Assign(source);
      ApplyColorAndExposure(bitmap, v.Color, v.B, v.C, v.S, v.Exposure, v.E, threads);
      EXPECT_TRUE(test::SamePixels(bitmap, expected))
          << "B=" << v.B << " C=" << v.C << " S=" << v.S << " E=" << v.E << " threads=" << threads;
    }
  }
}

TEST(RendererBlend, ClipsAtTheRightEdge) {
  // A white 100 x 50 picture at x = 300 on a black 320 x 60 frame: only its left 20 columns land,
  // each white over black at alpha 255 giving (0 * 1 + 255 * 255) >> 8 = 254.
  TBitmap24 frame(320, 60);
  TBitmap24 picture(100, 50);
  picture.Fill(255, 255, 255);
  BlendPicture(frame, picture, 300, 5, 1, 255);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 320; ++x) {
      const bool covered = x >= 300 && y >= 5 && y < 55;
      const uint8_t v = covered ? 254 : 0;
      ASSERT_EQ(PixelAt(frame, x, y), (TBgr{v, v, v})) << x << "," << y;
    }
}

TEST(RendererBlend, DrawsNothingWhenThePictureLiesOffTheFrame) {
  TBitmap24 frame(64, 32);
  TBitmap24 picture(10, 10);
  picture.Fill(255, 255, 255);
  for (auto [x, y] : {std::pair{64, 0}, std::pair{0, 32}, std::pair{1000, 1000}, std::pair{-10, 0}}) {
    BlendPicture(frame, picture, x, y, 1, 255);
    BlendPicture(frame, picture, x, y, 2, 255);
  }
  TBitmap24 black(64, 32);
  EXPECT_TRUE(test::SamePixels(frame, black));
}

TEST(RendererBlend, Style1MixesByAlpha) {
  TBitmap24 frame(1, 1);
  SetPixel(frame, 0, 0, {200, 100, 0});
  TBitmap24 picture(1, 1);
  SetPixel(picture, 0, 0, {0, 50, 255});
  BlendPicture(frame, picture, 0, 0, 1, 168);
  // ((256 - 168) * d + 168 * s) >> 8 per channel.
  EXPECT_EQ(PixelAt(frame, 0, 0), (TBgr{68, 67, 167}));
}

TEST(RendererBlend, Style2MultipliesAndIgnoresAlpha) {
  TBitmap24 frame(40, 20);
  test::FillNoise(frame, 3);
  TBitmap24 original;
  original.Assign(frame);

  TBitmap24 white(40, 20);
  white.Fill(255, 255, 255);
  BlendPicture(frame, white, 0, 0, 2, 10);
  EXPECT_TRUE(test::SamePixels(frame, original));

  TBitmap24 grey(1, 1);
  SetPixel(grey, 0, 0, {128, 128, 128});
  SetPixel(frame, 0, 0, {255, 100, 1});
  BlendPicture(frame, grey, 0, 0, 2, 0);
  EXPECT_EQ(PixelAt(frame, 0, 0), (TBgr{128, 50, 0}));  // s * d / 255, remainder dropped

  TBitmap24 black(40, 20);
  BlendPicture(frame, black, 0, 0, 2, 255);
  EXPECT_TRUE(test::SamePixels(frame, black));
}

}  // namespace
}  // namespace zanto::tools
