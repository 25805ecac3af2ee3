#pragma once
// The H.264 limits a format's data sets on top of the shared encoder preset: level, peak rate,
// buffer, GOP length, quantiser, entropy coder and bit-exact output.
#include "engine/Options.h"
#include "formats/FormatStore.h"

namespace zanto::formats {

// Reads each value from the user's section of the format, falling back to the preset's section,
// and applies the valid ones: paraLevel (level_idc, 31 = 3.1), paraMaxBitrate (kbit/s),
// paraBufferSize (kbit), paraGop (frames), paraQscale, paraCoder (0 CAVLC, 1 CABAC) and
// paraBitExact ("true"). Option text lines go after the preset, so they override it.
void ApplyH264Extras(const TFormatStore& store, int code, engine::TOutputOptions& out);

}  // namespace zanto::formats
