#include "tools/PixelEffects.h"

#include <algorithm>
#include <array>

#include "tools/EffectTables.h"
#include "tools/RowBands.h"

namespace zanto::tools {

using platform::TBitmap24;

namespace {

// The colour pass computes, per channel c of a pixel with grey level g = (b + g + r) / 3,
// tone[limit(grey[b + g + r] + sat[c], 0, 255)]. The sum grey + sat lies in -257..767; the
// fused table covers that whole range with the limit and the exposure table already applied,
// so a channel costs one addition and two look-ups.
constexpr int kSumOffset = 260;
constexpr int kSumSpan = kSumOffset + 768;

struct TFusedTables {
  std::array<uint8_t, kSumSpan> Out{};
  std::array<int, 768> Grey{};  // grey[t] + kSumOffset
  std::array<int, 256> Sat{};
};

TFusedTables BuildFusedTables(bool colorPass, int brightness, int contrast, int saturation,
                              const std::array<uint8_t, 256>& exposure) {
  TFusedTables fused;
  if (colorPass) {
    const TColorTables t = BuildColorTables(brightness, contrast, saturation);
    for (int k = 0; k < kSumSpan; ++k) fused.Out[k] = exposure[t.Tone[std::clamp(k - kSumOffset, 0, 255)]];
    for (int i = 0; i < 768; ++i) fused.Grey[i] = t.Grey[i] + kSumOffset;
    fused.Sat = t.Sat;
  }
  return fused;
}

void ColorRows(TBitmap24& bitmap, const TFusedTables& t, int firstRow, int endRow) {
  const int width = bitmap.Width();
  const uint8_t* out = t.Out.data();
  const int* grey = t.Grey.data();
  const int* sat = t.Sat.data();
  for (int y = firstRow; y < endRow; ++y) {
    uint8_t* p = bitmap.ScanLine(y);
    for (int x = 0; x < width; ++x, p += 3) {
      const int b = p[0];
      const int g = p[1];
      const int r = p[2];
      const int base = grey[b + g + r];
      p[0] = out[base + sat[b]];
      p[1] = out[base + sat[g]];
      p[2] = out[base + sat[r]];
    }
  }
}

void TableRows(TBitmap24& bitmap, const std::array<uint8_t, 256>& table, int firstRow, int endRow) {
  const int bytes = bitmap.Width() * 3;
  const uint8_t* lut = table.data();
  for (int y = firstRow; y < endRow; ++y) {
    uint8_t* p = bitmap.ScanLine(y);
    for (int i = 0; i < bytes; ++i) p[i] = lut[p[i]];
  }
}

// The part of a w x h picture placed at (x, y) that falls on a W x H frame, in picture
// coordinates. The documented positions are never negative; a negative one is cut like the
// right and bottom edges rather than written outside the frame.
struct TBlendArea {
  int FirstCol = 0, EndCol = 0, FirstRow = 0, EndRow = 0;
  bool Empty() const { return FirstCol >= EndCol || FirstRow >= EndRow; }
};

TBlendArea BlendArea(const TBitmap24& frame, const TBitmap24& picture, int x, int y) {
  TBlendArea a;
  a.FirstCol = std::max(0, -x);
  a.FirstRow = std::max(0, -y);
  a.EndCol = static_cast<int>(std::min<long long>(picture.Width(), static_cast<long long>(frame.Width()) - x));
  a.EndRow = static_cast<int>(std::min<long long>(picture.Height(), static_cast<long long>(frame.Height()) - y));
  return a;
}

}  // namespace

void ApplyColorEffects(TBitmap24& bitmap, int brightness, int contrast, int saturation) {
  ApplyColorAndExposure(bitmap, true, brightness, contrast, saturation, false, 0, 1);
}

void ApplyExposure(TBitmap24& bitmap, int exposure) {
  ApplyColorAndExposure(bitmap, false, 255, 0, 255, true, exposure, 1);
}

void ApplyColorAndExposure(TBitmap24& bitmap, bool colorPass, int brightness, int contrast,
                           int saturation, bool exposurePass, int exposure, int threadCount) {
  if (bitmap.Empty() || (!colorPass && !exposurePass)) return;
  const std::array<uint8_t, 256> exposureTable = exposurePass ? BuildExposureTable(exposure) : IdentityTable();
  if (!colorPass) {
    ForEachRowBand(bitmap.Height(), threadCount,
                   [&](int first, int end) { TableRows(bitmap, exposureTable, first, end); });
    return;
  }
  const TFusedTables tables = BuildFusedTables(true, brightness, contrast, saturation, exposureTable);
  ForEachRowBand(bitmap.Height(), threadCount,
                 [&](int first, int end) { ColorRows(bitmap, tables, first, end); });
}

void BlendPicture(TBitmap24& frame, const TBitmap24& picture, int x, int y, int style, int alpha) {
  BlendPictureWithAlpha(frame, picture, nullptr, 0, x, y, style, alpha);
}

void BlendPictureWithAlpha(TBitmap24& frame, const TBitmap24& picture, const uint8_t* pictureAlpha,
                           int pictureAlphaStride, int x, int y, int style, int alpha) {
  if (frame.Empty() || picture.Empty()) return;
  const TBlendArea area = BlendArea(frame, picture, x, y);
  if (area.Empty()) return;
  // Opacity outside 0..255 would push the mix past a byte.
  const int opacity = std::clamp(alpha, 0, 255);
  for (int r = area.FirstRow; r < area.EndRow; ++r) {
    const uint8_t* s = picture.ScanLine(r) + 3 * area.FirstCol;
    uint8_t* d = frame.ScanLine(y + r) + 3 * (static_cast<std::ptrdiff_t>(x) + area.FirstCol);
    const uint8_t* pa = pictureAlpha ? pictureAlpha + static_cast<std::ptrdiff_t>(r) * pictureAlphaStride : nullptr;
    for (int c = area.FirstCol; c < area.EndCol; ++c, s += 3, d += 3) {
      if (style == 1) {
        const int a = pa ? (pa[c] * opacity + 127) / 255 : opacity;
        for (int i = 0; i < 3; ++i) d[i] = static_cast<uint8_t>(((256 - a) * d[i] + a * s[i]) >> 8);
      } else if (pa) {
        const int p = pa[c];
        for (int i = 0; i < 3; ++i) {
          const int over = (s[i] * p + 255 * (255 - p) + 127) / 255;  // picture laid over white
          d[i] = static_cast<uint8_t>(over * d[i] / 255);
        }
      } else {
        for (int i = 0; i < 3; ++i) d[i] = static_cast<uint8_t>(s[i] * d[i] / 255);
      }
    }
  }
}

}  // namespace zanto::tools
