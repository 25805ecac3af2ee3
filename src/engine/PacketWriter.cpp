#include "engine/PacketWriter.h"

#include "engine/FFmpegException.h"
#include "engine/TranscodeHost.h"
#include "media/MediaUtils.h"

namespace zanto::engine {

void TPacketWriter::Init(AVFormatContext* output, AVStream* stream,
                         const std::vector<std::string>& filters, const std::string& codecName) {
  Output_ = output;
  Stream_ = stream;
  CodecName_ = codecName;
  if (filters.empty()) return;
  // The chain becomes one list filter, so packets and draining pass every filter in order.
  for (const std::string& name : filters) FilterNames_ += (FilterNames_.empty() ? "" : ",") + name;
  AVBSFContext* raw = nullptr;
  int ret = av_bsf_list_parse_str(FilterNames_.c_str(), &raw);
  media::BsfPtr bsf(raw);
  if (ret >= 0) ret = avcodec_parameters_copy(bsf->par_in, stream->codecpar);
  if (ret >= 0) {
    bsf->time_base_in = stream->time_base;
    ret = av_bsf_init(bsf.get());
  }
  if (ret < 0) throw FFmpegException(media::ErrorMessage(FilterNames_, ret));
  avcodec_parameters_copy(stream->codecpar, bsf->par_out);
  Filter_ = std::move(bsf);
}

void TPacketWriter::Mux(AVPacket* packet) {
  packet->stream_index = Stream_->index;
  const int ret = av_interleaved_write_frame(Output_, packet);
  if (ret < 0) throw FFmpegException(media::ErrorMessage("av_interleaved_write_frame()", ret));
  ++PacketsWritten_;
}

void TPacketWriter::Write(AVPacket* packet, ITranscodeHost& host, bool exitOnError) {
  if (!Filter_) {
    Mux(packet);
    return;
  }
  int ret = av_bsf_send_packet(Filter_.get(), packet);
  if (ret < 0) {
    const std::string text = FFmpegException::Format("%s failed for stream %d, codec %s",
                                                      FilterNames_.c_str(), Stream_->index,
                                                      CodecName_.c_str()).what();
    if (exitOnError) throw FFmpegException(media::ErrorMessage(text, ret));
    host.Log(media::llError, media::ErrorMessage(text, ret));
    Mux(packet);  // the packet goes on unfiltered
    return;
  }
  while (av_bsf_receive_packet(Filter_.get(), Work_.get()) >= 0) Mux(Work_.get());
}

void TPacketWriter::Flush(ITranscodeHost&, bool) {
  if (!Filter_ || av_bsf_send_packet(Filter_.get(), nullptr) < 0) return;
  while (av_bsf_receive_packet(Filter_.get(), Work_.get()) >= 0) Mux(Work_.get());
}

}  // namespace zanto::engine
