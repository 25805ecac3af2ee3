#pragma once
// The video filter graph of one encoding output stream: "buffer" -> crop -> scale -> the user's
// chain -> "buffersink" restricted to the encoder's pixel format. The sink plays the part of the
// engine's own output filter. A graph is rebuilt when the decoded pictures change size or format.
#include <string>

#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"

namespace zanto::engine {

struct TFilterSource {
  int Width = 0, Height = 0;
  AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
  AVRational TimeBase{1, 1000000};
  AVRational SampleAspect{0, 1};
  AVRational FrameRate{0, 1};
  bool operator==(const TFilterSource& o) const {
    return Width == o.Width && Height == o.Height && PixelFormat == o.PixelFormat;
  }
};

struct TFilterTarget {
  int Width = 0, Height = 0;  // the picture after cropping and scaling
  AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
  int CropTop = 0, CropBottom = 0, CropLeft = 0, CropRight = 0;
  std::string UserChain;  // "vf"
  int ScalerFlags = SWS_BICUBIC;
  // After the user's chain, scale once more to exactly this size (used when a graph is rebuilt
  // for a changed input while the encoder is already open at a fixed size). 0 = no.
  int ForceWidth = 0, ForceHeight = 0;
};

class TVideoFilterGraph {
 public:
  // Builds the graph; on failure returns the reason (library text) and leaves it empty.
  bool Build(const TFilterSource& source, const TFilterTarget& target, std::string& reason);
  bool Built() const { return Graph_ != nullptr; }
  const TFilterSource& Source() const { return Source_; }

  // The negotiated output of the sink.
  int OutputWidth() const;
  int OutputHeight() const;
  AVRational OutputTimeBase() const;
  AVRational OutputSampleAspect() const;

  // Pushes a frame (nullptr = end of stream); the frame keeps its reference.
  int Push(AVFrame* frame);
  // Takes the next filtered frame: 0, AVERROR(EAGAIN) or AVERROR_EOF.
  int Pull(AVFrame* frame);

 private:
  media::FilterGraphPtr Graph_;
  AVFilterContext* SourceFilter_ = nullptr;
  AVFilterContext* SinkFilter_ = nullptr;
  TFilterSource Source_;
};

}  // namespace zanto::engine
