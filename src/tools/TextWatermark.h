#pragma once
// The text step of the frame renderer: draws a text watermark on a 24-bit frame with Qt.
#include <string>

#include "platform/Bitmap24.h"
#include "tools/RenderValues.h"

class QFont;

namespace zanto::tools {

// Draws text with its top-left corner at (x, y) in the font's face, size, colour and style, with
// no background box; whatever runs past the frame's edges is cut. Line breaks start new lines.
// Needs a QGuiApplication (the font database lives there); raises std::runtime_error without one.
// Safe on any thread: each call paints on its own image wrapper.
void DrawWatermarkText(platform::TBitmap24& bitmap, const std::string& text, const TWatermarkFont& font,
                       int x, int y);

// The Qt font for a watermark font. A face that is not installed falls back to an installed
// family of the same kind (sans-serif for "MS Sans Serif", "Arial"...; serif for "Times New
// Roman"...; monospaced for "Courier New"...; sans-serif for anything unknown).
QFont WatermarkQFont(const TWatermarkFont& font);

// The installed family used for a face name.
std::string ResolveFontFamily(const std::string& face);

// Character height in pixels for a size in points, at 96 dots per inch as the program measures
// fonts (8 points give 11 pixels).
int FontPixelSize(int points);

}  // namespace zanto::tools
