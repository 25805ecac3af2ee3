#include "engine/SubtitleOutput.h"

#include <cstring>

#include "engine/CodecSetup.h"
#include "engine/FFmpegException.h"
#include "engine/PacketWriter.h"
#include "engine/TranscodeHost.h"
#include "media/MediaUtils.h"

namespace zanto::engine {

void TSubtitleOutput::Configure(const TStreamRequest& request, const AVCodecContext* decoder,
                                AVStream* stream) {
  Codec_ = request.Encoder;
  Stream_ = stream;
  Encoder_.reset(avcodec_alloc_context3(Codec_));
  if (!Encoder_) throw FFmpegException(media::ErrorText(AVERROR(ENOMEM)));
  AVCodecContext* enc = Encoder_.get();
  enc->time_base = AVRational{1, 1000};
  if (decoder) {
    enc->width = decoder->width;
    enc->height = decoder->height;
    if (decoder->subtitle_header && decoder->subtitle_header_size > 0) {
      // The encoder owns (and frees) its copy of the style header.
      enc->subtitle_header = static_cast<uint8_t*>(av_mallocz(decoder->subtitle_header_size + 1));
      if (!enc->subtitle_header) throw FFmpegException(media::ErrorText(AVERROR(ENOMEM)));
      std::memcpy(enc->subtitle_header, decoder->subtitle_header, decoder->subtitle_header_size);
      enc->subtitle_header_size = decoder->subtitle_header_size;
    }
  }
  if (request.GlobalHeader) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  ApplyCodecSettings(request.GenericSettings, AVMEDIA_TYPE_SUBTITLE, enc, true);
  if (request.CodecTag) enc->codec_tag = request.CodecTag;
}

int TSubtitleOutput::Open() {
  const int ret = OpenCodecLocked(Encoder_.get(), Codec_);
  if (ret < 0) return ret;
  avcodec_parameters_from_context(Stream_->codecpar, Encoder_.get());
  Stream_->time_base = Encoder_->time_base;
  return 0;
}

void TSubtitleOutput::Write(const AVSubtitle& subtitle, int64_t startUs, int64_t outputStartUs,
                            TPacketWriter& writer, ITranscodeHost& host, bool exitOnError) {
  if (startUs == AV_NOPTS_VALUE) {
    if (exitOnError) throw FFmpegException("Subtitle packets must have a pts");
    host.Log(media::llError, "Subtitle packets must have a pts");
    return;
  }
  AVCodecContext* enc = Encoder_.get();
  // DVB subtitles are encoded twice: once to draw, once to clear.
  const int passes = Codec_->id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
  const int64_t shownUs = startUs + int64_t{subtitle.start_display_time} * 1000 - outputStartUs;
  for (int i = 0; i < passes; ++i) {
    AVSubtitle copy = subtitle;
    if (i == 1) copy.num_rects = 0;  // the clearing pass
    // The encoder reads the display times relative to the packet.
    copy.pts = shownUs;
    copy.end_display_time -= copy.start_display_time;
    copy.start_display_time = 0;
    const int size = avcodec_encode_subtitle(enc, Buffer_.data(), static_cast<int>(Buffer_.size()), &copy);
    if (size < 0) throw FFmpegException("Subtitle encoding failed");
    if (size == 0) continue;
    av_packet_unref(Packet_.get());
    if (av_new_packet(Packet_.get(), size) < 0) throw FFmpegException(media::ErrorText(AVERROR(ENOMEM)));
    std::memcpy(Packet_->data, Buffer_.data(), static_cast<size_t>(size));
    Packet_->pts = av_rescale_q(shownUs, AVRational{1, 1000000}, Stream_->time_base);
    if (Codec_->id == AV_CODEC_ID_DVB_SUBTITLE)
      Packet_->pts += av_rescale_q(int64_t{i == 0 ? subtitle.start_display_time : subtitle.end_display_time},
                                   AVRational{1, 1000}, Stream_->time_base);
    Packet_->dts = Packet_->pts;
    Packet_->duration = av_rescale_q(copy.end_display_time, AVRational{1, 1000}, Stream_->time_base);
    LastTimeSec_ = static_cast<double>(shownUs) / 1e6;
    writer.Write(Packet_.get(), host, exitOnError);
  }
}

}  // namespace zanto::engine
