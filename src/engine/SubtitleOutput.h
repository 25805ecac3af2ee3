#pragma once
// One encoding subtitle output stream: decoded subtitles are encoded one by one (DVB subtitles
// twice: to draw and to clear) and written with their display times.
#include <cstdint>
#include <vector>

#include "engine/Streams.h"
#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"

namespace zanto::engine {

class ITranscodeHost;
class TPacketWriter;

class TSubtitleOutput {
 public:
  // Prepares the encoder; the source decoder gives the text encoders their style header.
  void Configure(const TStreamRequest& request, const AVCodecContext* decoder, AVStream* stream);
  int Open();
  AVCodecContext* Encoder() const { return Encoder_.get(); }
  // One decoded subtitle; its start in microseconds of the output clock (before "ss").
  void Write(const AVSubtitle& subtitle, int64_t startUs, int64_t outputStartUs, TPacketWriter& writer,
             ITranscodeHost& host, bool exitOnError);
  double OutputTimeSec() const { return LastTimeSec_; }

 private:
  media::CodecContextPtr Encoder_;
  const AVCodec* Codec_ = nullptr;
  AVStream* Stream_ = nullptr;
  std::vector<uint8_t> Buffer_ = std::vector<uint8_t>(1 << 20);  // 1 MiB, as subtitles need
  media::PacketPtr Packet_ = media::MakePacket();
  double LastTimeSec_ = 0.0;
};

}  // namespace zanto::engine
