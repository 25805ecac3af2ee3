#include "tools/FrameRenderer.h"

#include "tools/PictureCache.h"
#include "tools/PixelEffects.h"
#include "tools/TextWatermark.h"

namespace zanto::tools {

namespace {

void TextStep(platform::TBitmap24& frame, const TRenderValues& v) {
  if (v.WatermarkText.empty()) return;
  DrawWatermarkText(frame, v.WatermarkText, v.WatermarkFont, v.TextX, v.TextY);
}

void PictureStep(platform::TBitmap24& frame, const TRenderValues& v) {
  if (v.ImageFile.empty()) return;
  // The cache hands out the decoded picture and reads the file again only when it changed.
  const auto picture = TPictureCache::Instance().Get(v.ImageFile);
  BlendWatermarkPicture(frame, *picture, v.ImageX, v.ImageY, v.ImageStyle, v.ImageAlpha);
}

// The colour pass and the exposure pass, each only when its values are not the off values. They
// always run one right after the other, so they are done in one pass over the pixels.
void EffectSteps(platform::TBitmap24& frame, const TRenderValues& v, int threadCount) {
  ApplyColorAndExposure(frame, ColorPassActive(v), v.Brightness, v.Contrast, v.Saturation,
                        ExposurePassActive(v), v.Exposure, threadCount);
}

}  // namespace

void RenderFrameEdits(platform::TBitmap24& frame, const TRenderValues& values, int threadCount) {
  platform::TCanvasLock lock(frame);
  if (frame.Empty()) return;
  if (values.ProcessText && !values.ProcessImage) {
    TextStep(frame, values);
    EffectSteps(frame, values, threadCount);
    PictureStep(frame, values);
  } else if (!values.ProcessText && values.ProcessImage) {
    PictureStep(frame, values);
    EffectSteps(frame, values, threadCount);
    TextStep(frame, values);
  } else if (values.ProcessText && values.ProcessImage) {
    TextStep(frame, values);
    PictureStep(frame, values);
    EffectSteps(frame, values, threadCount);
  } else {
    EffectSteps(frame, values, threadCount);
    TextStep(frame, values);
    PictureStep(frame, values);
  }
}

}  // namespace zanto::tools
