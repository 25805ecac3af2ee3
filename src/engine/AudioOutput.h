#pragma once
// One encoding audio output stream: every conversion (rate, channels, layout, sample format and
// drift compensation) through one swresample context, a sample FIFO that cuts the encoder's
// fixed frames, the volume, then the encoder and the stream's writer.
#include <cstdint>
#include <string>

#include "engine/Streams.h"
#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

namespace zanto::engine {

class ITranscodeHost;
class TPacketWriter;

struct TAudioOutputSetup {
  const TStreamRequest* Request = nullptr;
  const AVStream* Source = nullptr;
  const AVCodecContext* Decoder = nullptr;  // may be null
  AVStream* Stream = nullptr;
  int64_t StartTimeUs = 0;
  int64_t MaxFrames = INT64_MAX;
  int Verbosity = 1;
  float DriftThresholdSec = 0.1f;
};

struct AudioFifoDeleter {
  void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};

class TAudioOutput {
 public:
  // Chooses rate, channels and sample format the encoder accepts; logs a substituted rate.
  void Configure(const TAudioOutputSetup& setup, ITranscodeHost& host);
  int Open();
  AVCodecContext* Encoder() const { return Encoder_.get(); }

  // One decoded block; pts in microseconds of the output clock (before "ss" is removed).
  void Write(const AVFrame* block, TPacketWriter& writer, ITranscodeHost& host);
  void Flush(TPacketWriter& writer, ITranscodeHost& host);

  double OutputTimeSec() const;
  int64_t EncodedBytes() const { return EncodedBytes_; }
  int64_t FrameNumber() const { return FrameNumber_; }
  bool LimitReached() const { return FrameNumber_ >= Setup_.MaxFrames; }

 private:
  void EnsureResampler(const AVFrame* block);
  void GrowBuffer(int samples);
  void ApplyVolume(uint8_t** data, int samples) const;
  void EncodeFromFifo(bool final, TPacketWriter& writer, ITranscodeHost& host);
  void SendToEncoder(AVFrame* frame, TPacketWriter& writer, ITranscodeHost& host);

  TAudioOutputSetup Setup_;
  media::CodecContextPtr Encoder_;
  const AVCodec* Codec_ = nullptr;
  media::ResamplerPtr Resampler_;
  AVChannelLayout ResamplerInLayout_{};
  int ResamplerInRate_ = 0;
  AVSampleFormat ResamplerInFormat_ = AV_SAMPLE_FMT_NONE;
  std::unique_ptr<AVAudioFifo, AudioFifoDeleter> Fifo_;
  uint8_t** Buffer_ = nullptr;  // converted samples, grown on demand
  int BufferSamples_ = 0;
  media::FramePtr EncodeFrame_ = media::MakeFrame();
  media::PacketPtr Packet_ = media::MakePacket();
  int FrameSize_ = 0;
  bool Started_ = false;
  int64_t SampleCounter_ = 0;  // next output pts, in samples
  int64_t EncodedBytes_ = 0;
  int64_t FrameNumber_ = 0;
  bool Flushed_ = false;

 public:
  TAudioOutput() = default;
  ~TAudioOutput();
  TAudioOutput(const TAudioOutput&) = delete;
  TAudioOutput& operator=(const TAudioOutput&) = delete;
};

}  // namespace zanto::engine
