#pragma once
// The pixel routines of the frame renderer. Each changes the bitmap in place; rows may be
// stored bottom-up (negative stride). The caller holds the bitmap's canvas lock.
#include <cstdint>

#include "platform/Bitmap24.h"

namespace zanto::tools {

// Brightness B (0..512), contrast C (-100..100) and saturation S (0..512) in one pass of table
// look-ups. Runs whatever the values are; the caller decides whether the pass is wanted.
void ApplyColorEffects(platform::TBitmap24& bitmap, int brightness, int contrast, int saturation);

// Exposure E (-255..512): one table applied to every byte. 0 and 255 never move.
void ApplyExposure(platform::TBitmap24& bitmap, int exposure);

// The colour pass (when colorPass) followed by the exposure pass (when exposurePass), fused into
// one pass over the pixels: the exposure table is applied to the colour table's output, which
// gives the same bytes as the two passes one after the other. With threadCount above 1 the rows
// are split across threads; the result does not depend on the number of threads.
void ApplyColorAndExposure(platform::TBitmap24& bitmap, bool colorPass, int brightness, int contrast,
                           int saturation, bool exposurePass, int exposure, int threadCount = 1);

// Blends a 24-bit picture onto the frame with its top-left corner at (x, y). Style 1 mixes
// ((256 - alpha) * frame + alpha * picture) >> 8; any other style multiplies picture * frame / 255
// and ignores alpha. The part of the picture outside the frame is not drawn.
void BlendPicture(platform::TBitmap24& frame, const platform::TBitmap24& picture, int x, int y,
                  int style, int alpha);

// The same for a picture with its own opacity per pixel (pictureAlpha: one byte per pixel,
// pictureAlphaStride bytes per row, 255 = opaque). Style 1 uses pixelAlpha * alpha / 255 as the
// opacity of each pixel, so an opaque pixel blends exactly like BlendPicture; style 2 multiplies
// by the picture pixel laid over white, so a transparent pixel leaves the frame unchanged.
void BlendPictureWithAlpha(platform::TBitmap24& frame, const platform::TBitmap24& picture,
                           const uint8_t* pictureAlpha, int pictureAlphaStride, int x, int y,
                           int style, int alpha);

}  // namespace zanto::tools
