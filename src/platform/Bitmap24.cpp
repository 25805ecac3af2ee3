#include "platform/Bitmap24.h"

#include <algorithm>
#include <cstring>

namespace zanto::platform {

void TBitmap24::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const int stride = (width * 3 + 3) & ~3;
  if (width == Width_ && height == Height_ && !Owned_.empty() && FirstRow_ == Owned_.data())
    return;
  Owned_.assign(static_cast<std::size_t>(stride) * height, 0);
  FirstRow_ = Owned_.empty() ? nullptr : Owned_.data();
  Width_ = width;
  Height_ = height;
  Stride_ = stride;
}

void TBitmap24::Wrap(uint8_t* firstRow, int width, int height, int stride) {
  Owned_.clear();
  FirstRow_ = firstRow;
  Width_ = width;
  Height_ = height;
  Stride_ = stride;
}

void TBitmap24::Assign(const TBitmap24& other) {
  if (&other == this) return;
  SetSize(other.Width(), other.Height());
  for (int y = 0; y < Height_; ++y)
    std::memcpy(ScanLine(y), other.ScanLine(y), static_cast<std::size_t>(Width_) * 3);
}

void TBitmap24::Fill(uint8_t b, uint8_t g, uint8_t r) {
  for (int y = 0; y < Height_; ++y) {
    uint8_t* p = ScanLine(y);
    for (int x = 0; x < Width_; ++x, p += 3) {
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  }
}

}  // namespace zanto::platform
