#pragma once
// The last step of every output stream: its bitstream filters in order, then the interleaving
// muxer. Counts what reached the file so that an output that received nothing can be removed.
#include <string>
#include <vector>

#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"

namespace zanto::engine {

class ITranscodeHost;

class TPacketWriter {
 public:
  // Sets up the filters named in the chain for the stream (after the header's parameters are
  // final); a filter that cannot be made fails with the library's text.
  void Init(AVFormatContext* output, AVStream* stream, const std::vector<std::string>& filters,
            const std::string& codecName);
  // Writes one packet (timestamps already in the stream's time base); takes its reference.
  // Raises FFmpegException when the muxer refuses it.
  void Write(AVPacket* packet, ITranscodeHost& host, bool exitOnError);
  // Drains the filters at the end of the stream.
  void Flush(ITranscodeHost& host, bool exitOnError);

  int64_t PacketsWritten() const { return PacketsWritten_; }

 private:
  void Mux(AVPacket* packet);

  AVFormatContext* Output_ = nullptr;
  AVStream* Stream_ = nullptr;
  std::string CodecName_;
  std::string FilterNames_;  // the chain as one list filter
  media::BsfPtr Filter_;
  media::PacketPtr Work_ = media::MakePacket();
  int64_t PacketsWritten_ = 0;
};

}  // namespace zanto::engine
