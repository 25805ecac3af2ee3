#pragma once
// The frame renderer: applies a file's colour effects, text and picture watermark to one frame.
// Called by the conversion hook for every frame and by the editing dialogs' preview hooks.
#include "platform/Bitmap24.h"
#include "tools/RenderValues.h"

namespace zanto::tools {

// Applies the values to the frame in place, in the order the two process switches choose:
//   text on,  picture off: text, colour pass, exposure pass, picture
//   text off, picture on:  picture, colour pass, exposure pass, text
//   both on:               text, picture, colour pass, exposure pass
//   both off:              colour pass, exposure pass, text, picture
// The frame's canvas is locked for the whole call (and released when a step fails). A picture
// file that cannot be read raises std::runtime_error naming the file; the frame may then carry
// the steps that ran before it.
//
// threadCount above 1 splits the colour and exposure passes by rows across that many threads;
// the frame comes out byte for byte the same as with one thread.
void RenderFrameEdits(platform::TBitmap24& frame, const TRenderValues& values, int threadCount = 1);

}  // namespace zanto::tools
