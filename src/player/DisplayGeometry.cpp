#include "player/DisplayGeometry.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace zanto::player {

namespace {

// Rounds to the nearest integer, halves to even (the default floating-point rounding mode).
int RoundEven(double value) { return static_cast<int>(std::lrint(value)); }

int Wrap(int index) {
  index %= kWaveRingSize;
  return index < 0 ? index + kWaveRingSize : index;
}

void PutPixel(platform::TBitmap24& bitmap, int x, int y) {
  uint8_t* p = bitmap.ScanLine(y) + x * 3;
  p[0] = p[1] = p[2] = 255;
}

}  // namespace

double DisplayAspect(double aspectRatio, int areaWidth, int areaHeight, int sarNum, int sarDen,
                     int pictureWidth, int pictureHeight) {
  if (aspectRatio < 0 && areaWidth != 0 && areaHeight != 0)
    return static_cast<double>(areaWidth) / areaHeight;
  if (aspectRatio > 0) return aspectRatio;
  double a = (sarNum != 0 && sarDen != 0) ? static_cast<double>(sarNum) / sarDen : 0.0;
  if (a <= 0) a = 1.0;
  if (pictureHeight <= 0) return a;
  return a * pictureWidth / pictureHeight;
}

TDisplayRect DisplayRect(int areaWidth, int areaHeight, double aspect) {
  TDisplayRect r;
  if (areaWidth <= 0 || areaHeight <= 0 || !(aspect > 0)) return r;
  int h = areaHeight;
  int w = RoundEven(h * aspect) & ~1;
  if (w > areaWidth) {
    w = areaWidth;
    h = RoundEven(w / aspect) & ~1;
  }
  r.Width = w;
  r.Height = h;
  r.Left = (areaWidth - w) / 2;
  r.Top = (areaHeight - h) / 2;
  return r;
}

int WaveTriggerStart(const std::vector<int16_t>& ring, int start, int channels) {
  if (channels <= 0 || static_cast<int>(ring.size()) != kWaveRingSize) return start;
  auto at = [&](int i) { return static_cast<int>(ring[Wrap(i)]); };
  int best = start;
  int bestScore = std::numeric_limits<int>::min();
  for (int i = 0; i < 1000; i += channels) {
    const int p = Wrap(start - i);
    const int a = at(p), b = at(p + 4 * channels), c = at(p + 5 * channels), d = at(p + 9 * channels);
    if ((b < 0) != (c < 0) && a - d > bestScore) {
      bestScore = a - d;
      best = p;
    }
  }
  return best;
}

void DrawWave(platform::TBitmap24& bitmap, const std::vector<int16_t>& ring, int start, int channels) {
  bitmap.Fill(0, 0, 0);
  const int width = bitmap.Width(), height = bitmap.Height();
  if (channels <= 0 || width <= 0 || height <= 0 || static_cast<int>(ring.size()) != kWaveRingSize)
    return;
  const int band = height / channels;
  const int halfScale = band * 9 / 20;
  for (int k = 0; k < channels; ++k) {
    const int centre = k * band + band / 2;
    int index = Wrap(start + k);
    for (int x = 0; x < width; ++x) {
      const int v = (ring[index] * halfScale) >> 15;
      const int top = v < 0 ? centre - std::abs(v) : centre;
      for (int y = top; y < top + std::abs(v); ++y)
        if (y >= 0 && y < height) PutPixel(bitmap, x, y);
      index = Wrap(index + channels);
    }
  }
  for (int k = 1; k < channels; ++k)
    for (int x = 0; x < width; ++x) PutPixel(bitmap, x, k * band);
}

}  // namespace zanto::player
