#pragma once
// Helpers of the frame renderer tests: pixels by coordinates, pattern fills, bottom-up frames and
// the QGuiApplication that text drawing needs.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Bitmap24.h"

namespace zanto::test {

using TBgr = std::array<uint8_t, 3>;  // blue, green, red as stored

TBgr PixelAt(const platform::TBitmap24& bitmap, int x, int y);
void SetPixel(platform::TBitmap24& bitmap, int x, int y, TBgr bgr);
// A reproducible pseudo-random picture (every byte value occurs in a large enough frame).
void FillNoise(platform::TBitmap24& bitmap, uint32_t seed);
// True when both bitmaps have the same size and the same pixel bytes (stride padding ignored).
bool SamePixels(const platform::TBitmap24& a, const platform::TBitmap24& b);
// Copies the pixels of from into to (same size), row by row, keeping to's memory and layout.
void CopyPixels(const platform::TBitmap24& from, platform::TBitmap24& to);
// Number of pixels that differ.
int DifferentPixels(const platform::TBitmap24& a, const platform::TBitmap24& b);

// A frame whose rows are stored bottom-up (negative stride) in memory of its own.
class TBottomUpFrame {
 public:
  TBottomUpFrame(int width, int height);
  platform::TBitmap24& Bitmap() { return Bitmap_; }

 private:
  std::vector<uint8_t> Memory_;
  platform::TBitmap24 Bitmap_;
};

// Writes a picture file through Qt's image writer; format from the extension (bmp, png, jpg).
// pixels are RGBA bytes, row by row. Returns false when it cannot be written.
bool WritePicture(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  bool withAlpha);
// The same colour everywhere.
bool WriteSolidPicture(const std::string& path, int width, int height, uint8_t r, uint8_t g, uint8_t b);

}  // namespace zanto::test
