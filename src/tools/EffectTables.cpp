#include "tools/EffectTables.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zanto::tools {

int64_t RoundHalfEven(double value) {
  const double floorValue = std::floor(value);
  const double fraction = value - floorValue;
  auto result = static_cast<int64_t>(floorValue);
  if (fraction > 0.5 || (fraction == 0.5 && (result & 1) != 0)) ++result;
  return result;
}

int LimitBrightness(int brightness) { return std::clamp(brightness, 0, 512); }
int LimitContrast(int contrast) { return std::clamp(contrast, -100, 100); }
int LimitSaturation(int saturation) { return std::clamp(saturation, 0, 512); }
int LimitExposure(int exposure) { return std::clamp(exposure, -255, 512); }

TColorTables BuildColorTables(int brightness, int contrast, int saturation) {
  const int b = LimitBrightness(brightness);
  int c = LimitContrast(contrast);
  const int s = LimitSaturation(saturation);
  // At 100 the cosine would be 0 and the factor infinite.
  if (c == 100) c = 99;

  // Raising contrast divides by the cosine; lowering it multiplies by the cosine of an angle
  // computed with the short constant 0.015708 (so -100 gives a factor just off zero, and every
  // value lands on the pivot).
  const double k = c > 0 ? 1.0 / std::cos(c * std::numbers::pi / 200.0) : std::cos(c * 0.015708);

  TColorTables t;
  for (int i = 0; i < 256; ++i) {
    const int64_t v = RoundHalfEven((i - 170) * k + 170);
    t.Contrast[i] = static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
  }
  for (int j = 0; j < 256; ++j) {
    int v = 256 - b + b * j;
    // Division by 256 truncating toward zero, as the shift does it for negative values.
    v = v < 0 ? (v + 255) >> 8 : v >> 8;
    t.Tone[j] = t.Contrast[std::clamp(v, 0, 255)];
  }
  for (int v = 0; v < 256; ++v) t.Sat[v] = ((v + 1) * s) >> 8;
  for (int i = 0; i < 768; ++i) {
    const int g = i / 3;
    t.Grey[i] = g - t.Sat[g];
  }
  return t;
}

std::array<uint8_t, 256> BuildExposureTable(int exposure) {
  const double e = LimitExposure(exposure);
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    const int64_t t = RoundHalfEven(256.0 * (1.0 - std::exp((i / -128.0) * (e / 128.0))));
    const int64_t rest = 255 - i;
    const int64_t v = e >= 0 ? i + ((t * rest) >> 8) : i - (((-t) * rest) >> 8);
    table[i] = static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
  }
  return table;
}

std::array<uint8_t, 256> IdentityTable() {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
  return table;
}

}  // namespace zanto::tools
