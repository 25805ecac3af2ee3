#pragma once
// The custom hook stage of the video pre-processing: the decoded picture becomes a 24-bit
// bitmap, the caller's handler may draw on it, and when it asks for it the bitmap becomes the
// picture that goes on. Conversion contexts are cached between frames.
#include <cstdint>

#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"
#include "media/MediaUtils.h"
#include "platform/Bitmap24.h"

namespace zanto::engine {

class ITranscodeHost;

class TVideoHook {
 public:
  // Returns the picture to pass on: the input itself, or a converted copy owned by the stage
  // (valid until the next call).
  AVFrame* Process(AVFrame* picture, int64_t ptsUs, ITranscodeHost& host);
  int FrameNumber() const { return FrameNumber_; }

 private:
  bool ConvertBack(const AVFrame* like);

  int FrameNumber_ = 0;
  platform::TBitmap24 Bitmap_;
  media::TFrameToBitmap ToBitmap_;
  media::ScalerPtr FromBitmap_;
  media::FramePtr Updated_ = media::MakeFrame();
};

}  // namespace zanto::engine
