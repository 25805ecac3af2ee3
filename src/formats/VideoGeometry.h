#pragma once
// Frame size, aspect ratio, crop and the filter chain of a video output: the stored frame size
// resolved against the source, then the row's zoom mode realised around it.
#include <string>

#include "engine/Options.h"
#include "formats/OptionBuilder.h"

namespace zanto::formats {

struct TTargetSize {
  int Width = -1, Height = -1;  // not positive: no usable target (unknown source size)
};

// "320x240" -> 320 x 240; "as source" -> the source size; a text that is not a size asks the
// user whether to use 320x240 (No: the source size). H.263 snaps to its standard sizes.
TTargetSize ResolveTargetSize(const std::string& videoSize, const std::string& videoCodec,
                              int sourceWidth, int sourceHeight);

// Sets FrameSize, FrameAspectRatio, the crop fields and appends the zoom's filters to
// VideoFilters. Without a usable source or target size it keeps the target size (if any) and
// sets no bars, crop or filter.
void ApplyZoom(const TRowEdits& row, int sourceWidth, int sourceHeight, const TTargetSize& target,
               engine::TOutputOptions& out);

}  // namespace zanto::formats
