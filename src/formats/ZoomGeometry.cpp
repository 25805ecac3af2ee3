#include "formats/ZoomGeometry.h"

#include <cmath>

namespace zanto::formats {
namespace {

int EvenTowardZero(int value) { return value / 2 * 2; }

}  // namespace

TBars LetterBoxBars(int sw, int sh, int w, int h) {
  TBars bars;
  const double t = static_cast<double>(sw) / w;
  const double u = static_cast<double>(sh) / h;
  if (t > u) {
    const int fitted = EvenTowardZero(static_cast<int>(std::trunc(sh / t)));
    bars.Top = bars.Bottom = 2 * ((h - fitted) / 4);
  } else if (t < u) {
    const int fitted = EvenTowardZero(static_cast<int>(std::trunc(sw / u)));
    bars.Left = bars.Right = 2 * ((w - fitted) / 4);
  }
  return bars;
}

TPanCrop PanAndScanCrop(int sw, int sh, int cw, int ch) {
  TPanCrop crop;
  // Compared in whole numbers: cw / ch against 4 / 3 without rounding.
  const long long wide = 3LL * cw, tall = 4LL * ch;
  if (wide > tall) {
    // Keep the full kept height and a width of 4/3 of it, centred in the source width.
    crop.CutSides = true;
    const double keptWidth = ch * 4.0 / 3.0;
    crop.Amount = EvenTowardZero(static_cast<int>(std::trunc((sw - keptWidth) / 2)));
  } else if (wide < tall) {
    crop.CutTopBottom = true;
    const double keptHeight = cw * 3.0 / 4.0;
    crop.Amount = EvenTowardZero(static_cast<int>(std::trunc((sh - keptHeight) / 2)));
  }
  if (crop.Amount < 0) crop.Amount = 0;
  return crop;
}

}  // namespace zanto::formats
