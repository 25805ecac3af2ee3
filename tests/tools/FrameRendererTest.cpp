// RenderFrameEdits: the picture step with its files and cache, the order of the steps, failures,
// the canvas lock, bottom-up frames and rows split across threads.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <stdexcept>

#include "RenderTestSupport.h"
#include "support/TempDir.h"
#include "tools/FrameRenderer.h"
#include "tools/PictureCache.h"

namespace zanto::tools {
namespace {

using platform::TBitmap24;
using test::PixelAt;
using test::TBgr;

class FrameRendererTest : public testing::Test {
 protected:
  void SetUp() override { TPictureCache::Instance().Clear(); }
  test::TempDir Dir;
};

// Straight 24-bit blend of one channel at opacity a.
uint8_t Mix(int d, int s, int a) { return static_cast<uint8_t>(((256 - a) * d + a * s) >> 8); }

TEST_F(FrameRendererTest, PictureFilesOfEachFormatBlendTheirColours) {
  // Without an alpha channel every format blends by the 24-bit formula.
  for (const char* name : {"logo.bmp", "logo.png", "logo.jpg"}) {
    const std::string path = Dir.File(name);
    ASSERT_TRUE(test::WriteSolidPicture(path, 16, 8, 200, 40, 90)) << name;
    TBitmap24 frame(64, 32);
    frame.Fill(10, 20, 30);
    TRenderValues v;
    v.ImageFile = path;
    v.ImageX = 40;
    v.ImageY = 20;
    v.ImageAlpha = 168;
    RenderFrameEdits(frame, v);
    const TBgr inside = PixelAt(frame, 45, 25);
    const TBgr expected = {Mix(10, 90, 168), Mix(20, 40, 168), Mix(30, 200, 168)};
    const int tolerance = std::string(name).ends_with(".jpg") ? 3 : 0;  // JPEG is lossy
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(inside[i], expected[i], tolerance) << name << " channel " << i;
    EXPECT_EQ(PixelAt(frame, 39, 25), (TBgr{10, 20, 30})) << name;
    EXPECT_EQ(PixelAt(frame, 45, 19), (TBgr{10, 20, 30})) << name;
    // 16 x 8 at (40, 20) on 64 x 32: the last covered pixel is (55, 27).
    EXPECT_NE(PixelAt(frame, 55, 27), (TBgr{10, 20, 30})) << name;
    EXPECT_EQ(PixelAt(frame, 56, 27), (TBgr{10, 20, 30})) << name;
  }
}

TEST_F(FrameRendererTest, PngAlphaScalesTheOpacity) {
  // Four pixels of the same blue with opacity 0, 128, 255 and 255.
  const std::vector<uint8_t> rgba = {0, 0, 255, 0, 0, 0, 255, 128, 0, 0, 255, 255, 0, 0, 255, 255};
  const std::string path = Dir.File("alpha.png");
  ASSERT_TRUE(test::WritePicture(path, 4, 1, rgba, true));

  TBitmap24 frame(4, 1);
  frame.Fill(100, 100, 100);
  TRenderValues v;
  v.ImageFile = path;
  v.ImageAlpha = 255;
  RenderFrameEdits(frame, v);
  EXPECT_EQ(PixelAt(frame, 0, 0), (TBgr{100, 100, 100}));  // transparent: untouched
  EXPECT_EQ(PixelAt(frame, 1, 0), (TBgr{Mix(100, 255, 128), Mix(100, 0, 128), Mix(100, 0, 128)}));
  EXPECT_EQ(PixelAt(frame, 2, 0), (TBgr{Mix(100, 255, 255), Mix(100, 0, 255), Mix(100, 0, 255)}));

  // The record's opacity scales the picture's own: 128 of an opaque pixel is the 24-bit blend
  // at 128, of a half-transparent one (128 * 128 + 127) / 255 = 64.
  frame.Fill(100, 100, 100);
  v.ImageAlpha = 128;
  RenderFrameEdits(frame, v);
  EXPECT_EQ(PixelAt(frame, 0, 0), (TBgr{100, 100, 100}));
  EXPECT_EQ(PixelAt(frame, 1, 0), (TBgr{Mix(100, 255, 64), Mix(100, 0, 64), Mix(100, 0, 64)}));
  EXPECT_EQ(PixelAt(frame, 3, 0), (TBgr{Mix(100, 255, 128), Mix(100, 0, 128), Mix(100, 0, 128)}));

  // Multiplying: a transparent pixel counts as white and leaves the frame alone.
  frame.Fill(100, 100, 100);
  v.ImageStyle = 2;
  RenderFrameEdits(frame, v);
  EXPECT_EQ(PixelAt(frame, 0, 0), (TBgr{100, 100, 100}));
  EXPECT_EQ(PixelAt(frame, 2, 0), (TBgr{100, 0, 0}));
}

TEST_F(FrameRendererTest, CacheReadsAChangedFileAgain) {
  const std::string path = Dir.File("logo.png");
  ASSERT_TRUE(test::WriteSolidPicture(path, 8, 8, 255, 0, 0));
  TRenderValues v;
  v.ImageFile = path;
  v.ImageAlpha = 255;
  TBitmap24 frame(8, 8);
  auto& cache = TPictureCache::Instance();
  const int64_t loadsBefore = cache.Loads();

  RenderFrameEdits(frame, v);
  RenderFrameEdits(frame, v);
  EXPECT_EQ(cache.Loads() - loadsBefore, 1) << "an unchanged file is decoded once";
  EXPECT_EQ(PixelAt(frame, 3, 3)[2], Mix(Mix(0, 255, 255), 255, 255));

  // Same size, new colour; the modification time moves on as a later save would.
  const auto stamp = std::filesystem::last_write_time(path);
  ASSERT_TRUE(test::WriteSolidPicture(path, 8, 8, 0, 0, 255));
  std::filesystem::last_write_time(path, stamp + std::chrono::seconds(2));
  frame.Fill(0, 0, 0);
  RenderFrameEdits(frame, v);
  EXPECT_EQ(cache.Loads() - loadsBefore, 2);
  EXPECT_EQ(PixelAt(frame, 3, 3), (TBgr{254, 0, 0}));

  // A file of another size with the old time is noticed by its size.
  ASSERT_TRUE(test::WriteSolidPicture(path, 30, 30, 0, 255, 0));
  std::filesystem::last_write_time(path, stamp + std::chrono::seconds(2));
  frame.Fill(0, 0, 0);
  RenderFrameEdits(frame, v);
  EXPECT_EQ(cache.Loads() - loadsBefore, 3);
  EXPECT_EQ(PixelAt(frame, 3, 3), (TBgr{0, 254, 0}));
}

TEST_F(FrameRendererTest, UnreadablePictureRaisesWithItsNameAndReleasesTheCanvas) {
  const std::string notAPicture = Dir.File("notes.bmp");
  test::WriteFileBytes(notAPicture, "this is not a picture");
  for (const std::string& path : {Dir.File("missing/logo.bmp"), notAPicture, Dir.Path()}) {
    TBitmap24 frame(16, 16);
    TRenderValues v;
    v.ImageFile = path;
    try {
      RenderFrameEdits(frame, v);
      ADD_FAILURE() << "no error for " << path;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    // The lock is recursive, so only another thread can tell that it was released.
    EXPECT_TRUE(std::async(std::launch::async, [&] {
                  const bool locked = frame.TryLock();
                  if (locked) frame.Unlock();
                  return locked;
                }).get())
        << path;
  }
}

TEST_F(FrameRendererTest, ProcessSwitchesChooseWhatTheEffectsChange) {
  // Black text at the left, a red picture at the right, contrast -100 (every processed pixel
  // becomes grey 170).
  const std::string path = Dir.File("red.bmp");
  ASSERT_TRUE(test::WriteSolidPicture(path, 10, 10, 255, 0, 0));
  struct TCase {
    bool ProcessText, ProcessImage, TextGrey, PictureGrey;
  };
  const TCase cases[] = {
      {true, false, true, false},
      {false, true, false, true},
      {true, true, true, true},
      {false, false, false, false},
  };
  for (const TCase& c : cases) {
    TBitmap24 frame(100, 40);
    frame.Fill(50, 50, 50);
    TRenderValues v;
    v.WatermarkText = "XX";
    v.WatermarkFont.Size = 12;
    v.TextX = 2;
    v.TextY = 2;
    v.ImageFile = path;
    v.ImageX = 80;
    v.ImageY = 20;
    v.ImageAlpha = 255;
    v.Contrast = -100;
    v.ProcessText = c.ProcessText;
    v.ProcessImage = c.ProcessImage;
    RenderFrameEdits(frame, v);
    const auto label = testing::Message() << "text " << c.ProcessText << " picture " << c.ProcessImage;

    int darkInTextArea = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x)
        if (PixelAt(frame, x, y)[0] < 40) ++darkInTextArea;
    if (c.TextGrey)
      EXPECT_EQ(darkInTextArea, 0) << label;
    else
      EXPECT_GT(darkInTextArea, 5) << label;

    const TBgr picture = PixelAt(frame, 85, 25);
    const TBgr grey = {170, 170, 170};
    const TBgr red = {Mix(170, 0, 255), Mix(170, 0, 255), Mix(170, 255, 255)};
    EXPECT_EQ(picture, c.PictureGrey ? grey : red) << label;
    EXPECT_EQ(PixelAt(frame, 60, 30), (TBgr{170, 170, 170})) << label;
  }
}

TRenderValues EverythingOn(const std::string& picturePath) {
  TRenderValues v;
  v.WatermarkText = "Watermark";
  v.WatermarkFont.Size = 18;
  v.WatermarkFont.Color = ColorValue(255, 255, 0);
  v.WatermarkFont.Italic = true;
  v.TextX = 7;
  v.TextY = 9;
  v.ImageFile = picturePath;
  v.ImageX = 50;
  v.ImageY = 30;
  v.ImageAlpha = 140;
  v.Brightness = 300;
  v.Contrast = 25;
  v.Saturation = 180;
  v.Exposure = 60;
  return v;
}

std::string WriteGradientPng(const test::TempDir& dir) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      rgba.insert(rgba.end(), {static_cast<uint8_t>(6 * x), static_cast<uint8_t>(12 * y), 90, static_cast<uint8_t>(255 - 6 * x)});
  const std::string path = dir.File("gradient.png");
  EXPECT_TRUE(test::WritePicture(path, 40, 20, rgba, true));
  return path;
}

TEST_F(FrameRendererTest, BottomUpFrameGivesTheSameResult) {
  const TRenderValues v = EverythingOn(WriteGradientPng(Dir));
  for (int order = 0; order < 4; ++order) {
    TRenderValues values = v;
    values.ProcessText = (order & 1) != 0;
    values.ProcessImage = (order & 2) != 0;
    TBitmap24 topDown(161, 67);  // odd width: rows are padded
    test::FillNoise(topDown, 5);
    test::TBottomUpFrame bottomUp(161, 67);
    test::CopyPixels(topDown, bottomUp.Bitmap());
    ASSERT_LT(bottomUp.Bitmap().Stride(), 0);

    RenderFrameEdits(topDown, values);
    RenderFrameEdits(bottomUp.Bitmap(), values);
    EXPECT_TRUE(test::SamePixels(topDown, bottomUp.Bitmap())) << "order " << order;
  }
}

TEST_F(FrameRendererTest, SplittingRowsAcrossThreadsChangesNoByte) {
  const TRenderValues v = EverythingOn(WriteGradientPng(Dir));
  TBitmap24 source(640, 360);
  test::FillNoise(source, 9);
  TBitmap24 single;
  single.Assign(source);
  RenderFrameEdits(single, v, 1);
  for (int threads : {2, 4}) {
    TBitmap24 split;
    split.Assign(source);
    RenderFrameEdits(split, v, threads);
    EXPECT_TRUE(test::SamePixels(single, split)) << threads << " threads";
  }
}

TEST_F(FrameRendererTest, ConversionAndPreviewRenderAtTheSameTime) {
  // Two renderers with the same text and picture on their own frames, as a conversion thread and
  // a preview's decoding thread do: each frame must come out as when rendered alone.
  const TRenderValues v = EverythingOn(WriteGradientPng(Dir));
  TBitmap24 source(200, 120);
  test::FillNoise(source, 4);
  TBitmap24 expected;
  expected.Assign(source);
  RenderFrameEdits(expected, v);
  TPictureCache::Instance().Clear();  // both threads race for the first decoding

  auto renderer = [&] {
    int mismatches = 0;
    TBitmap24 frame;
    for (int i = 0; i < 30; ++i) {
      frame.Assign(source);
      RenderFrameEdits(frame, v);
      if (!test::SamePixels(frame, expected)) ++mismatches;
    }
    return mismatches;
  };
  auto conversion = std::async(std::launch::async, renderer);
  auto preview = std::async(std::launch::async, renderer);
  EXPECT_EQ(conversion.get(), 0);
  EXPECT_EQ(preview.get(), 0);
}

TEST_F(FrameRendererTest, OffValuesLeaveTheFrameAlone) {
  TBitmap24 frame(50, 20);
  test::FillNoise(frame, 1);
  TBitmap24 before;
  before.Assign(frame);
  RenderFrameEdits(frame, TRenderValues{});
  EXPECT_TRUE(test::SamePixels(frame, before));
}

}  // namespace
}  // namespace zanto::tools
