// Bitmap subtitles: the palette's RGBA to YUVA conversion and the blending of a rectangle into a
// YUV420P picture, partly covered chroma blocks and clipping included.
#include <gtest/gtest.h>

#include <vector>

#include "media/FFmpegPtr.h"
#include "player/SubtitleBlend.h"

namespace zanto::player {
namespace {

TEST(PlayerSubtitlePalette, ConvertsRgbaToStudioRangeYuva) {
  struct {
    uint32_t Argb, Ayuv;
  } cases[] = {
      {0xFFFFFFFF, 0xFFEB8080},  // white: 235, 128, 128
      {0x80000000, 0x80108080},  // black keeps its alpha: 16, 128, 128
      {0xFFFF0000, 0xFF515AF0},  // red: 81, 90, 240
      {0xFF00FF00, 0xFF913622},  // green: 145, 54, 34
      {0x000000FF, 0x0029F06E},  // blue, transparent: 41, 240, 110
  };
  for (const auto& c : cases) EXPECT_EQ(RgbaToYuva(c.Argb), c.Ayuv) << std::hex << c.Argb;
}

struct TPicture {
  media::FramePtr Frame = media::MakeFrame();
  TPicture(int w, int h) {
    Frame->format = AV_PIX_FMT_YUV420P;
    Frame->width = w;
    Frame->height = h;
    EXPECT_EQ(av_frame_get_buffer(Frame.get(), 0), 0);
    for (int y = 0; y < h; ++y) memset(Frame->data[0] + y * Frame->linesize[0], 100, w);
    for (int p = 1; p < 3; ++p)
      for (int y = 0; y < (h + 1) / 2; ++y) memset(Frame->data[p] + y * Frame->linesize[p], 128, (w + 1) / 2);
  }
  int Y(int x, int y) const { return Frame->data[0][y * Frame->linesize[0] + x]; }
  int U(int x, int y) const { return Frame->data[1][y * Frame->linesize[1] + x]; }
};

// One opaque colour (Y 200, U 50, V 60) over a w x h rectangle at (x, y).
struct TRect {
  std::vector<uint8_t> Bitmap;
  uint32_t Palette[1] = {0xFFC8323C};
  AVSubtitleRect Rect{};
  TRect(int x, int y, int w, int h) : Bitmap(static_cast<size_t>(w * h), 0) {
    Rect.type = SUBTITLE_BITMAP;
    Rect.x = x;
    Rect.y = y;
    Rect.w = w;
    Rect.h = h;
    Rect.nb_colors = 1;
    Rect.data[0] = Bitmap.data();
    Rect.linesize[0] = w;
    Rect.data[1] = reinterpret_cast<uint8_t*>(Palette);
  }
};

TEST(PlayerSubtitleBlend, BlendsLumaPerPixelAndChromaPerCoveredBlock) {
  TPicture picture(4, 4);
  TRect rect(1, 1, 3, 3);
  BlendSubtitleRect(*picture.Frame, rect.Rect);
  EXPECT_EQ(picture.Y(0, 0), 100);
  EXPECT_EQ(picture.Y(1, 0), 100);
  EXPECT_EQ(picture.Y(1, 1), 200);
  EXPECT_EQ(picture.Y(3, 3), 200);
  // Chroma block (0,0) is covered by one pixel, (1,0) by two, (1,1) by four; the alpha is a
  // quarter of the covered alphas in each case.
  EXPECT_EQ(picture.U(0, 0), ((255 - 63) * 128 + 63 * 50) / 255);
  EXPECT_EQ(picture.U(1, 0), ((255 - 127) * (128 << 1) + 127 * 100) / (255 << 1));
  EXPECT_EQ(picture.U(1, 1), 50);
}

TEST(PlayerSubtitleBlend, ClipsARectangleLargerThanThePicture) {
  TPicture picture(4, 2);
  TRect rect(-5, 7, 10, 6);
  BlendSubtitleRect(*picture.Frame, rect.Rect);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(picture.Y(x, y), 200) << x << "," << y;
}

}  // namespace
}  // namespace zanto::player
