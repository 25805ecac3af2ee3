#pragma once
// The values the frame renderer applies to a picture: a text watermark, a picture watermark and
// four colour effects. A file's record embeds them (the editing dialogs write them, the batch
// driver hands them to the conversion hook); the effects dialog fills one from its controls for
// its live preview. Plain data without Qt, so every layer can carry it.
#include <cstdint>
#include <string>

namespace zanto::tools {

// A colour value as the program stores it: 0x00BBGGRR (red in the lowest byte).
using TColorValue = uint32_t;

constexpr TColorValue ColorValue(int red, int green, int blue) {
  return static_cast<TColorValue>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int ColorRed(TColorValue color) { return static_cast<int>(color & 0xFF); }
constexpr int ColorGreen(TColorValue color) { return static_cast<int>((color >> 8) & 0xFF); }
constexpr int ColorBlue(TColorValue color) { return static_cast<int>((color >> 16) & 0xFF); }

// Font of the text watermark. Size is in points; text is drawn at 96 dots per inch, so the
// character height in pixels does not depend on the screen the program happens to run on.
struct TWatermarkFont {
  std::string Name = "MS Sans Serif";
  int Size = 8;
  TColorValue Color = 0;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;

  bool operator==(const TWatermarkFont&) const = default;
};

struct TRenderValues {
  // Text watermark; empty text draws nothing. Position of its top-left corner in frame pixels.
  std::string WatermarkText;
  TWatermarkFont WatermarkFont;
  int TextX = 0;
  int TextY = 0;

  // Picture watermark; an empty path draws nothing. Position of its top-left corner in frame
  // pixels, opacity 0..255 for style 1 (blend); style 2 multiplies.
  std::string ImageFile;
  int ImageX = 0;
  int ImageY = 0;
  int ImageAlpha = 168;
  int ImageStyle = 1;

  // Colour effects; these values leave the picture alone.
  int Brightness = 255;  // 0..512
  int Contrast = 0;      // -100..100
  int Saturation = 255;  // 0..512
  int Exposure = 0;      // -255..512

  // When set, the colour effects are applied after the text (or picture) is drawn, so they
  // change it too.
  bool ProcessText = false;
  bool ProcessImage = false;

  bool operator==(const TRenderValues&) const = default;
};

// The colour pass runs unless brightness, contrast and saturation are all at their off values.
inline bool ColorPassActive(int brightness, int contrast, int saturation) {
  return brightness != 255 || contrast != 0 || saturation != 255;
}
inline bool ColorPassActive(const TRenderValues& v) {
  return ColorPassActive(v.Brightness, v.Contrast, v.Saturation);
}
inline bool ExposurePassActive(const TRenderValues& v) { return v.Exposure != 0; }

}  // namespace zanto::tools
