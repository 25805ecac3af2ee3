#pragma once
// The per-file record of a list row: the source and every edit the dialogs made to it. The
// batch driver and the option builder read it; the frame renderer gets its Render values.
#include <cstdint>
#include <string>

#include "tools/RenderValues.h"

namespace zanto::app {

struct TlvFilesRecord {
  std::string SourceFile;
  int64_t TrimStart = 0;   // µs; handed to the engine as the input start time when >= 0
  int64_t TrimLength = 0;  // µs; 0 = to the end of the file
  std::string ZoomMode = "lbox";  // "full", "lbox", "pan", "center"
  int CropTop = 0, CropLeft = 0, CropBottom = 0, CropRight = 0;  // source pixels, even
  int CropTopShown = 0, CropLeftShown = 0, CropBottomShown = 0, CropRightShown = 0;
  tools::TRenderValues Render;  // text and picture watermark, effects
  int TextHorzPercent = 0, TextVertPercent = 0;
  int ImageHorzPercent = 0, ImageVertPercent = 0;

  // Nothing for the frame renderer to do: no effect, no exposure, no text, no picture.
  bool HasNoFrameEdits() const {
    return !tools::ColorPassActive(Render) && !tools::ExposurePassActive(Render) &&
           Render.WatermarkText.empty() && Render.ImageFile.empty();
  }
};

}  // namespace zanto::app
