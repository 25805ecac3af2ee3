#include "player/SubtitleBlend.h"

#include <algorithm>

namespace zanto::player {

uint32_t RgbaToYuva(uint32_t argb) {
  const int a = static_cast<int>(argb >> 24);
  const int r = static_cast<int>((argb >> 16) & 0xff);
  const int g = static_cast<int>((argb >> 8) & 0xff);
  const int b = static_cast<int>(argb & 0xff);
  // Right shifts of negative values round toward minus infinity (C++20).
  const int y = (263 * r + 517 * g + 101 * b + 16896) >> 10;
  const int cb = ((-152 * r - 298 * g + 450 * b + 511) >> 10) + 128;
  const int cr = ((450 * r - 377 * g - 74 * b + 511) >> 10) + 128;
  return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(y) << 16) |
         (static_cast<uint32_t>(cb) << 8) | static_cast<uint32_t>(cr);
}

void ConvertPaletteToYuva(AVSubtitleRect& rect) {
  if (rect.type != SUBTITLE_BITMAP || !rect.data[1]) return;
  auto* palette = reinterpret_cast<uint32_t*>(rect.data[1]);
  for (int i = 0; i < rect.nb_colors; ++i) palette[i] = RgbaToYuva(palette[i]);
}

namespace {

int Blend(int alpha, int oldValue, int newValue) {
  return ((255 - alpha) * oldValue + alpha * newValue) / 255;
}

}  // namespace

void BlendSubtitleRect(AVFrame& picture, const AVSubtitleRect& rect) {
  if (rect.type != SUBTITLE_BITMAP || !rect.data[0] || !rect.data[1] ||
      picture.format != AV_PIX_FMT_YUV420P)
    return;
  const int picW = picture.width, picH = picture.height;
  const int w = std::clamp(rect.w, 0, picW);
  const int h = std::clamp(rect.h, 0, picH);
  const int x0 = std::clamp(rect.x, 0, picW - w);
  const int y0 = std::clamp(rect.y, 0, picH - h);
  const auto* palette = reinterpret_cast<const uint32_t*>(rect.data[1]);
  auto entry = [&](int x, int y) { return palette[rect.data[0][y * rect.linesize[0] + x]]; };

  for (int y = 0; y < h; ++y) {
    uint8_t* line = picture.data[0] + (y0 + y) * picture.linesize[0] + x0;
    for (int x = 0; x < w; ++x) {
      const uint32_t c = entry(x, y);
      line[x] = static_cast<uint8_t>(Blend(static_cast<int>(c >> 24), line[x], (c >> 16) & 0xff));
    }
  }
  // Chroma: each sample covers a 2 x 2 block of picture pixels, of which the rectangle may cover
  // 4, 2 or 1. The alpha is a quarter of the covered alphas' sum in every case.
  for (int cy = (y0 >> 1); cy <= ((y0 + h - 1) >> 1) && h > 0; ++cy) {
    for (int cx = (x0 >> 1); cx <= ((x0 + w - 1) >> 1) && w > 0; ++cx) {
      int alphaSum = 0, uSum = 0, vSum = 0, covered = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          const int px = 2 * cx + dx - x0, py = 2 * cy + dy - y0;
          if (px < 0 || py < 0 || px >= w || py >= h) continue;
          const uint32_t c = entry(px, py);
          alphaSum += static_cast<int>(c >> 24);
          uSum += static_cast<int>((c >> 8) & 0xff);
          vSum += static_cast<int>(c & 0xff);
          ++covered;
        }
      if (covered == 0) continue;
      const int shift = covered == 4 ? 2 : covered == 2 ? 1 : 0;
      const int a = alphaSum >> 2;
      uint8_t* u = picture.data[1] + cy * picture.linesize[1] + cx;
      uint8_t* v = picture.data[2] + cy * picture.linesize[2] + cx;
      *u = static_cast<uint8_t>(((255 - a) * (*u << shift) + a * uSum) / (255 << shift));
      *v = static_cast<uint8_t>(((255 - a) * (*v << shift) + a * vSum) / (255 << shift));
    }
  }
}

}  // namespace zanto::player
