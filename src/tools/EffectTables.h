#pragma once
// The look-up tables of the colour and exposure passes. They are rebuilt for every frame (the
// values may change between frames in the effects dialog's preview); building them costs a
// few thousand operations, nothing next to one pass over a frame.
#include <array>
#include <cstdint>

namespace zanto::tools {

// Rounds to the nearest integer, halves to the even neighbour, whatever the floating-point
// environment's rounding mode is.
int64_t RoundHalfEven(double value);

// Input ranges the tables are built for. Values from outside (a damaged record, a caller's
// mistake) are limited to them so that no table index can leave its table.
int LimitBrightness(int brightness);  // 0..512
int LimitContrast(int contrast);      // -100..100
int LimitSaturation(int saturation);  // 0..512
int LimitExposure(int exposure);      // -255..512

struct TColorTables {
  std::array<uint8_t, 256> Contrast{};  // contrast[i], pivot 170
  std::array<uint8_t, 256> Tone{};      // brightness then contrast
  std::array<int, 256> Sat{};           // ((v + 1) * S) >> 8
  std::array<int, 768> Grey{};          // g - Sat[g] for g = t / 3
};

// Tables of the colour pass for brightness B, contrast C and saturation S.
TColorTables BuildColorTables(int brightness, int contrast, int saturation);

// The 256-entry table of the exposure pass for exposure E.
std::array<uint8_t, 256> BuildExposureTable(int exposure);

// The identity table (0..255), for composing a pass that does not run.
std::array<uint8_t, 256> IdentityTable();

}  // namespace zanto::tools
