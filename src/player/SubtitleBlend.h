#pragma once
// Bitmap subtitles over pictures: palettes turned from RGBA into YUVA once when a subtitle is
// decoded, and each rectangle blended into a YUV420P picture by its palette's alpha.
#include <cstdint>

#include "media/FFmpeg.h"

namespace zanto::player {

// A palette entry with alpha, red, green and blue from the highest byte down becomes one with
// alpha, Y, Cb and Cr (studio range, integer coefficients with 10 fraction bits).
uint32_t RgbaToYuva(uint32_t argb);
void ConvertPaletteToYuva(AVSubtitleRect& rect);

// Blends one bitmap rectangle (palette already YUVA) into a writable YUV420P picture. The
// rectangle is clipped to the picture; chroma is blended once per 2 x 2 block of pixels.
void BlendSubtitleRect(AVFrame& picture, const AVSubtitleRect& rect);

}  // namespace zanto::player
