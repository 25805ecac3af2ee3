#pragma once
// What a task knows about its files before it runs: the opened inputs, and per output the
// container and the requested streams. The requests are read from the option state when the
// output is opened (so the options given before a file apply to that file); the real output
// streams, codecs and the file itself are made when the task runs.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/GenericOptions.h"
#include "engine/OptionState.h"
#include "engine/Options.h"
#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"

namespace zanto::media {
class TMediaProbe;
}

namespace zanto::engine {


struct TInputFile {
  std::string FileName;     // as the caller gave it (used in messages)
  std::string LibraryName;  // as the media library received it
  media::InputFormatPtr Context;
  int64_t TsOffsetUs = 0;   // added to every timestamp of the file
  int64_t DurationUs = -1;
  std::vector<double> TsScale;  // per stream ("itsscale"); 0 = none
  // Per stream: the decoder forced by name (nullptr = the library's decoder for the codec id).
  std::vector<const AVCodec*> ForcedDecoders;
  std::shared_ptr<media::TMediaProbe> Probe;
};

// One requested output stream.
struct TStreamRequest {
  AVMediaType Kind = AVMEDIA_TYPE_UNKNOWN;
  bool Copy = false;
  const AVCodec* Encoder = nullptr;  // nullptr with Copy False: the format's guess
  std::string CodecName;             // as requested (for messages)
  uint32_t CodecTag = 0;
  std::string Language;
  std::vector<std::string> BitstreamFilters;
  int ThreadCount = 0;  // 0 = automatic
  int Strictness = 0;   // the "strict" generic value for this kind
  bool GlobalHeader = false;
  // Video. 0 / NONE / {0,0}: taken from the source.
  int Width = 0, Height = 0;
  AVRational FrameRate{0, 0};
  bool ForceFps = false;
  AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
  double AspectRatio = 0.0;  // display aspect; 0 = the source's
  int CropTop = 0, CropBottom = 0, CropLeft = 0, CropRight = 0;
  std::string VideoFilters;
  int VideoSync = -1;
  float VideoQScale = 0.0f;  // fixed quantiser when > 0
  int DvProfileHint = 0;     // 50 for the dv50 target (4:2:2)
  // Audio. 0 / NONE: taken from the source.
  int SampleRate = 0, Channels = 0;
  AVSampleFormat SampleFormat = AV_SAMPLE_FMT_NONE;
  int Volume = 256;
  int AudioSync = 0;
  float AudioQScale = -99999.0f;
  // The generic codec settings made so far, applied to the encoder when it opens.
  std::vector<TGenericSetting> GenericSettings;
};

struct TOutputFile {
  std::string FileName;     // as the caller gave it
  std::string LibraryName;
  const AVOutputFormat* Format = nullptr;
  std::vector<TStreamRequest> Streams;
  std::vector<std::pair<std::string, std::string>> Metadata;
  int64_t TimestampUs = kNoTime;  // recording timestamp ("timestamp")
  std::vector<TGenericSetting> GenericSettings;
  int PacketSize = 0;
  int MuxRate = 0;
  double MuxDelaySec = 0.7;
  double MuxPreloadSec = 0.5;
};


}  // namespace zanto::engine
