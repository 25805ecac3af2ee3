#pragma once
// One encoding video output stream: chooses the encoder's parameters from the request and the
// source, runs the filter graph (crop, scale, the user's chain, the encoder's pixel format),
// decides drops and duplicates (vsync), encodes and hands packets to the stream's writer.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "engine/FilterGraph.h"
#include "engine/Streams.h"
#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"
#include "media/MediaUtils.h"
#include "platform/Bitmap24.h"

namespace zanto::engine {

class ITranscodeHost;
class TPacketWriter;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// A task's video statistics file ("vstats", "vstats_file"): one line per encoded picture,
// shared by the task's video streams, created when the first line is written.
class TVideoStatsFile {
 public:
  explicit TVideoStatsFile(std::string fileName) : FileName_(std::move(fileName)) {}
  // Raises FFmpegException "fopen fail: <name>" when the file cannot be created.
  void WriteLine(const std::string& line);

 private:
  std::string FileName_;
  std::unique_ptr<std::FILE, FileCloser> File_;
};

struct TVideoOutputSetup {
  const TStreamRequest* Request = nullptr;
  const AVStream* Source = nullptr;
  const AVCodecContext* Decoder = nullptr;  // may be null
  const AVOutputFormat* Format = nullptr;
  AVStream* Stream = nullptr;  // the output stream
  int ScalerFlags = SWS_BICUBIC;
  int64_t StartTimeUs = 0;   // "ss": output time 0
  int64_t MaxFrames = INT64_MAX;
  int Verbosity = 1;
  std::string Label;  // "#file.stream" of the input for messages
  int Pass = 0;       // "pass": 1 or 2 for two-pass encoding
  std::string PassLogFile;  // the stream's log file of two-pass encoding
  std::shared_ptr<TVideoStatsFile> Stats;  // null: no statistics
};

class TVideoOutput {
 public:
  TVideoOutput() = default;
  ~TVideoOutput();
  TVideoOutput(const TVideoOutput&) = delete;
  TVideoOutput& operator=(const TVideoOutput&) = delete;

  // Fills the encoder context (size, rate, pixel format, aspect, generic settings) and builds the
  // filter graph. Raises FFmpegException ("Error opening filters: ...").
  void Configure(const TVideoOutputSetup& setup);
  // Opens the encoder (under the codec lock) and copies its parameters to the stream.
  int Open();
  AVCodecContext* Encoder() const { return Encoder_.get(); }

  // One decoded picture, pts in microseconds of the output clock (before "ss" is removed).
  void Write(AVFrame* picture, TPacketWriter& writer, ITranscodeHost& host);
  // End of stream: drains the graph and the encoder.
  void Flush(TPacketWriter& writer, ITranscodeHost& host);

  int64_t FrameNumber() const { return FrameNumber_; }
  double OutputTimeSec() const;
  float Quality() const { return Quality_; }
  int64_t EncodedBytes() const { return EncodedBytes_; }
  int64_t FramesDuplicated() const { return FramesDuplicated_; }
  int64_t FramesDropped() const { return FramesDropped_; }
  bool TakeStatusFlag() {
    const bool flag = StatusFlag_;
    StatusFlag_ = false;
    return flag;
  }
  bool LimitReached() const { return FrameNumber_ >= Setup_.MaxFrames; }

 private:
  void EnsureGraph(const AVFrame* picture, ITranscodeHost& host);
  void EncodeFiltered(AVFrame* filtered, TPacketWriter& writer, ITranscodeHost& host);
  void SendToEncoder(AVFrame* frame, TPacketWriter& writer, ITranscodeHost& host);
  void WriteStatsLine(const AVPacket& packet, char pictureType, int64_t frames);
  void Preview(const AVFrame* frame, ITranscodeHost& host);
  void PadEnd(TPacketWriter& writer, ITranscodeHost& host);
  void SetUpTwoPass();
  AVPixelFormat ChoosePixelFormat(const AVCodec* codec, AVPixelFormat wanted, int width,
                                  int height, AVRational rate) const;

  TVideoOutputSetup Setup_;
  media::CodecContextPtr Encoder_;
  const AVCodec* Codec_ = nullptr;
  TVideoFilterGraph Graph_;
  TFilterTarget Target_;
  bool VariableRate_ = false;
  int SyncMethod_ = 1;
  int64_t SyncCounter_ = 0;  // next output pts, encoder ticks
  int64_t FrameNumber_ = 0;
  int64_t FramesDuplicated_ = 0, FramesDropped_ = 0;
  bool StatusFlag_ = false;
  float Quality_ = -1.0f;
  int64_t EncodedBytes_ = 0;
  bool Flushed_ = false;
  int64_t LastPreviewUs_ = INT64_MIN;
  media::FramePtr Filtered_ = media::MakeFrame();
  std::unique_ptr<std::FILE, FileCloser> PassLog_;  // pass 1: the statistics written
  media::FramePtr Last_ = media::MakeFrame();  // the last picture encoded
  int64_t LastPtsUs_ = AV_NOPTS_VALUE;
  int64_t IntervalUs_ = 0;
  media::PacketPtr Packet_ = media::MakePacket();
  media::TFrameToBitmap PreviewConverter_;
  platform::TBitmap24 PreviewBitmap_;
};

}  // namespace zanto::engine
