#include "engine/VideoOutput.h"

#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/dv_profile.h>
}

#include "engine/CodecSetup.h"
#include "engine/FFmpegException.h"
#include "engine/PacketWriter.h"
#include "engine/TranscodeHost.h"

namespace zanto::engine {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};
constexpr int64_t kPreviewIntervalUs = 100000;

bool ListHas(const AVPixelFormat* list, AVPixelFormat format) {
  for (; list && *list != AV_PIX_FMT_NONE; ++list)
    if (*list == format) return true;
  return false;
}

}  // namespace

TVideoOutput::~TVideoOutput() {
  // The pass-2 statistics belong to us, not to the codec context.
  if (Encoder_) av_freep(&Encoder_->stats_in);
}

void TVideoOutput::SetUpTwoPass() {
  AVCodecContext* enc = Encoder_.get();
  const std::string& name = Setup_.PassLogFile;
  if (Setup_.Pass != 1 && Setup_.Pass != 2) return;
  // Encoders that keep their own statistics file (libx264) are told its name.
  const bool ownStats = enc->priv_data && av_opt_find(enc->priv_data, "stats", nullptr, 0, 0);
  if (ownStats) {
    av_opt_set(enc->priv_data, "stats", name.c_str(), 0);
    enc->flags |= Setup_.Pass == 1 ? AV_CODEC_FLAG_PASS1 : AV_CODEC_FLAG_PASS2;
    if (Setup_.Pass == 2 && !std::unique_ptr<std::FILE, FileCloser>(std::fopen(name.c_str(), "rb")))
      throw FFmpegException::Format("Cannot read file: Error reading log file \"%s\" for pass-2 encoding", name.c_str());
    return;
  }
  if (Setup_.Pass == 1) {
    enc->flags |= AV_CODEC_FLAG_PASS1;
    PassLog_.reset(std::fopen(name.c_str(), "wb"));
    if (!PassLog_) throw FFmpegException::Format("Cannot write log file %s for pass-1 encoding", name.c_str());
  } else if (Setup_.Pass == 2) {
    enc->flags |= AV_CODEC_FLAG_PASS2;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
    long size = -1;
    if (file && std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
    if (!file || size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0)
      throw FFmpegException::Format("Cannot read file: Error reading log file \"%s\" for pass-2 encoding", name.c_str());
    auto* text = static_cast<char*>(av_malloc(static_cast<size_t>(size) + 1));
    if (!text)
      throw FFmpegException::Format("Could not allocate file buffer: Error reading log file \"%s\" for pass-2 encoding", name.c_str());
    const size_t read = std::fread(text, 1, static_cast<size_t>(size), file.get());
    text[read] = 0;
    enc->stats_in = text;
  }
}

AVPixelFormat TVideoOutput::ChoosePixelFormat(const AVCodec* codec, AVPixelFormat wanted,
                                              int width, int height, AVRational rate) const {
  // Device players need 4:2:0 H.264; from RGB input libx264 would otherwise pick 4:4:4.
  if (std::strcmp(codec->name, "libx264") == 0) return AV_PIX_FMT_YUV420P;
  // The DV encoder takes only the pixel format of the DV profile the size and rate select:
  // the wanted one when it fits a profile, then 4:2:0 (PAL), then what the encoder lists.
  if (codec->id == AV_CODEC_ID_DVVIDEO && codec->pix_fmts) {
    for (AVPixelFormat candidate : {wanted, AV_PIX_FMT_YUV420P})
      if (candidate != AV_PIX_FMT_NONE && ListHas(codec->pix_fmts, candidate) &&
          av_dv_codec_profile2(width, height, candidate, rate))
        return candidate;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
      if (av_dv_codec_profile2(width, height, *f, rate)) return *f;
  }
  if (codec->id == AV_CODEC_ID_MJPEG) {
    // The JPEG encoder lists the limited-range formats too, but opens them only when the
    // compliance is relaxed; otherwise the full-range twin of the wanted format is the one.
    if (Setup_.Request->Strictness < FF_COMPLIANCE_NORMAL &&
        (wanted == AV_PIX_FMT_YUV420P || wanted == AV_PIX_FMT_YUV422P))
      return wanted;
    if (wanted == AV_PIX_FMT_YUV420P) return AV_PIX_FMT_YUVJ420P;
    if (wanted == AV_PIX_FMT_YUV422P) return AV_PIX_FMT_YUVJ422P;
    if (wanted == AV_PIX_FMT_YUV444P) return AV_PIX_FMT_YUVJ444P;
  }
  if (!codec->pix_fmts || ListHas(codec->pix_fmts, wanted)) return wanted;
  return codec->pix_fmts[0];
}

void TVideoOutput::Configure(const TVideoOutputSetup& setup) {
  Setup_ = setup;
  const TStreamRequest& request = *setup.Request;
  const AVCodec* codec = request.Encoder;
  Codec_ = codec;
  Encoder_.reset(avcodec_alloc_context3(codec));
  if (!Encoder_) throw FFmpegException(media::ErrorText(AVERROR(ENOMEM)));
  AVCodecContext* enc = Encoder_.get();

  const AVCodecParameters* par = setup.Source->codecpar;
  const int srcW = setup.Decoder && setup.Decoder->width ? setup.Decoder->width : par->width;
  const int srcH = setup.Decoder && setup.Decoder->height ? setup.Decoder->height : par->height;
  AVPixelFormat srcFormat = setup.Decoder && setup.Decoder->pix_fmt != AV_PIX_FMT_NONE
                                ? setup.Decoder->pix_fmt
                                : static_cast<AVPixelFormat>(par->format);
  if (srcFormat == AV_PIX_FMT_NONE)
    throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");

  // Frame rate: the request, the nearest the encoder supports (unless forced).
  AVRational rate = request.FrameRate.num > 0 && request.FrameRate.den > 0 ? request.FrameRate
                                                                             : AVRational{25, 1};
  if (codec->supported_framerates && !request.ForceFps)
    rate = codec->supported_framerates[av_find_nearest_q_idx(rate, codec->supported_framerates)];

  Target_.CropTop = request.CropTop;
  Target_.CropBottom = request.CropBottom;
  Target_.CropLeft = request.CropLeft;
  Target_.CropRight = request.CropRight;
  int width = request.Width > 0 ? request.Width : srcW - request.CropLeft - request.CropRight;
  int height = request.Height > 0 ? request.Height : srcH - request.CropTop - request.CropBottom;
  AVPixelFormat format = request.PixelFormat != AV_PIX_FMT_NONE ? request.PixelFormat : srcFormat;
  format = ChoosePixelFormat(codec, format, width, height, rate);
  // Subsampled chroma needs even sizes (libx264 refuses odd ones outright).
  if (const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format)) {
    if (desc->log2_chroma_w > 0) width &= ~1;
    if (desc->log2_chroma_h > 0) height &= ~1;
  }
  if (width <= 0 || height <= 0) throw FFmpegException("Incorrect frame size");
  Target_.Width = width;
  Target_.Height = height;
  Target_.PixelFormat = format;
  Target_.UserChain = request.VideoFilters;
  Target_.ScalerFlags = setup.ScalerFlags;

  TFilterSource source;
  source.Width = srcW;
  source.Height = srcH;
  source.PixelFormat = srcFormat;
  source.TimeBase = kMicroseconds;
  source.SampleAspect = setup.Source->sample_aspect_ratio.num ? setup.Source->sample_aspect_ratio
                                                               : par->sample_aspect_ratio;
  std::string reason;
  if (!Graph_.Build(source, Target_, reason))
    throw FFmpegException(reason.empty() ? "Error opening filters!" : "Error opening filters: " + reason);
  if (!request.VideoFilters.empty()) {
    // The user's chain may change the size: the encoder takes what the graph delivers.
    width = Graph_.OutputWidth();
    height = Graph_.OutputHeight();
  }

  // Display aspect: the request, else the source's; the pixels' aspect follows from the size.
  double aspect = request.AspectRatio;
  if (aspect <= 0.0) {
    AVRational sar = source.SampleAspect.num > 0 ? source.SampleAspect : AVRational{1, 1};
    aspect = srcH > 0 ? av_q2d(sar) * srcW / srcH : 4.0 / 3.0;
    if (request.CropTop || request.CropBottom || request.CropLeft || request.CropRight)
      aspect = av_q2d(sar) * (srcW - request.CropLeft - request.CropRight) /
               (srcH - request.CropTop - request.CropBottom);
  }
  AVRational outSar = av_d2q(aspect * height / width, 255);
  enc->width = width;
  enc->height = height;
  enc->pix_fmt = format;
  enc->sample_aspect_ratio = outSar;
  setup.Stream->sample_aspect_ratio = outSar;
  enc->framerate = rate;
  enc->time_base = av_inv_q(rate);
  enc->thread_count = request.ThreadCount;
  enc->strict_std_compliance = request.Strictness;
  if (request.GlobalHeader) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  ApplyCodecSettings(request.GenericSettings, AVMEDIA_TYPE_VIDEO, enc, true);
  if (request.VideoQScale > 0) {
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = static_cast<int>(std::lround(FF_QP2LAMBDA * request.VideoQScale));
  }
  if (request.CodecTag) enc->codec_tag = request.CodecTag;
  SetUpTwoPass();

  SyncMethod_ = request.VideoSync;
  VariableRate_ = SyncMethod_ == 2 ||
                  (SyncMethod_ < 0 && setup.Format && (setup.Format->flags & AVFMT_VARIABLE_FPS));
}

int TVideoOutput::Open() {
  AVCodecContext* enc = Encoder_.get();
  const int ret = OpenCodecLocked(enc, Codec_);
  if (ret < 0) return ret;
  avcodec_parameters_from_context(Setup_.Stream->codecpar, enc);
  Setup_.Stream->time_base = enc->time_base;
  Setup_.Stream->avg_frame_rate = enc->framerate;
  Setup_.Stream->r_frame_rate = enc->framerate;
  return 0;
}

double TVideoOutput::OutputTimeSec() const {
  return Encoder_ ? static_cast<double>(SyncCounter_) * av_q2d(Encoder_->time_base) : 0.0;
}

void TVideoOutput::EnsureGraph(const AVFrame* picture, ITranscodeHost& host) {
  const TFilterSource& current = Graph_.Source();
  if (Graph_.Built() && picture->width == current.Width && picture->height == current.Height &&
      picture->format == current.PixelFormat)
    return;
  TFilterSource source = current;
  if (Graph_.Built()) {
    const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(picture->format));
    host.Log(media::llQuiet, FFmpegException::Format(
                                 "Input Stream %s frame size changed to %dx%d, %s",
                                 Setup_.Label.c_str(), picture->width, picture->height,
                                 name ? name : "none").what());
    // Crop bands keep their proportion to the picture, on even lines.
    auto band = [](int value, int now, int first) { return first > 0 ? (value * now / first) & ~1 : 0; };
    Target_.CropTop = band(Setup_.Request->CropTop, picture->height, current.Height);
    Target_.CropBottom = band(Setup_.Request->CropBottom, picture->height, current.Height);
    Target_.CropLeft = band(Setup_.Request->CropLeft, picture->width, current.Width);
    Target_.CropRight = band(Setup_.Request->CropRight, picture->width, current.Width);
  }
  source.Width = picture->width;
  source.Height = picture->height;
  source.PixelFormat = static_cast<AVPixelFormat>(picture->format);
  if (picture->sample_aspect_ratio.num > 0) source.SampleAspect = picture->sample_aspect_ratio;
  // The encoder is open at its size: whatever the chain does, the graph ends there.
  TFilterTarget target = Target_;
  target.ForceWidth = Encoder_->width;
  target.ForceHeight = Encoder_->height;
  std::string reason;
  if (!Graph_.Build(source, target, reason))
    throw FFmpegException(reason.empty() ? "Cannot get resampling context"
                                         : "Error opening filters: " + reason);
}

void TVideoOutput::Write(AVFrame* picture, TPacketWriter& writer, ITranscodeHost& host) {
  if (Flushed_) return;
  EnsureGraph(picture, host);
  int ret = Graph_.Push(picture);
  if (ret < 0) throw FFmpegException(media::ErrorMessage("Error while filtering", ret));
  while ((ret = Graph_.Pull(Filtered_.get())) >= 0) {
    EncodeFiltered(Filtered_.get(), writer, host);
    av_frame_unref(Filtered_.get());
  }
}

void TVideoOutput::EncodeFiltered(AVFrame* frame, TPacketWriter& writer, ITranscodeHost& host) {
  AVCodecContext* enc = Encoder_.get();
  const int64_t ptsUs = frame->pts == AV_NOPTS_VALUE
                            ? Setup_.StartTimeUs
                            : av_rescale_q(frame->pts, Graph_.OutputTimeBase(), kMicroseconds);
  // The input time in encoder ticks.
  const double inTicks = static_cast<double>(ptsUs - Setup_.StartTimeUs) / 1000000.0 /
                         av_q2d(enc->time_base);
  int64_t copies = 1;
  if (SyncMethod_ == 0) {
    // Timestamps pass as they are; the encoder needs them to grow.
    SyncCounter_ = std::max<int64_t>(std::llrint(inTicks), SyncCounter_);
  } else {
    const double delta = inTicks - static_cast<double>(SyncCounter_);
    if (delta < -1.1) {
      copies = 0;
    } else if (VariableRate_) {
      if (delta <= -0.6)
        copies = 0;
      else if (delta > 0.6)
        SyncCounter_ = std::llrint(inTicks);
    } else if (delta > 1.1) {
      copies = std::llrint(delta);
    }
  }
  if (copies == 0) {
    ++FramesDropped_;
    StatusFlag_ = true;
    if (Setup_.Verbosity > 2) host.Log(media::llVerbose, "*** drop!");
  } else if (copies > 1) {
    FramesDuplicated_ += copies - 1;
    StatusFlag_ = true;
    if (Setup_.Verbosity > 2)
      host.Log(media::llVerbose, FFmpegException::Format("*** %d dup!", static_cast<int>(copies - 1)).what());
  }
  copies = std::min(copies, Setup_.MaxFrames - FrameNumber_);
  if (copies <= 0) return;

  frame->pict_type = AV_PICTURE_TYPE_NONE;
  frame->sample_aspect_ratio = enc->sample_aspect_ratio;
  // Kept for the end of the stream: the last picture lasts until the input's last one ends.
  if (LastPtsUs_ != AV_NOPTS_VALUE && ptsUs > LastPtsUs_) IntervalUs_ = ptsUs - LastPtsUs_;
  LastPtsUs_ = ptsUs;
  av_frame_unref(Last_.get());
  av_frame_ref(Last_.get(), frame);
  for (int64_t i = 0; i < copies; ++i) {
    if (i > 0 && host.StopRequested()) break;
    frame->pts = SyncCounter_;
    SendToEncoder(frame, writer, host);
    ++SyncCounter_;
    ++FrameNumber_;
  }
  Preview(frame, host);
}

void TVideoOutput::SendToEncoder(AVFrame* frame, TPacketWriter& writer, ITranscodeHost& host) {
  AVCodecContext* enc = Encoder_.get();
  int ret = avcodec_send_frame(enc, frame);
  if (ret < 0 && ret != AVERROR_EOF) throw FFmpegException("Video encoding failed");
  while (true) {
    ret = avcodec_receive_packet(enc, Packet_.get());
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
    if (ret < 0) throw FFmpegException("Video encoding failed");
    size_t statsSize = 0;
    char pictureType = (Packet_->flags & AV_PKT_FLAG_KEY) ? 'I' : 'P';
    if (const uint8_t* stats = av_packet_get_side_data(Packet_.get(), AV_PKT_DATA_QUALITY_STATS, &statsSize);
        stats && statsSize >= 4) {
      int32_t quality;
      std::memcpy(&quality, stats, 4);
      Quality_ = static_cast<float>(quality) / FF_QP2LAMBDA;
      if (statsSize >= 5 && stats[4] != AV_PICTURE_TYPE_NONE)
        pictureType = av_get_picture_type_char(static_cast<AVPictureType>(stats[4]));
    }
    EncodedBytes_ += Packet_->size;
    // The picture being sent counts as encoded, as the encoder's own frame counter does.
    if (Setup_.Stats && Packet_->size > 0) WriteStatsLine(*Packet_, pictureType, FrameNumber_ + (frame ? 1 : 0));
    if (PassLog_ && enc->stats_out) std::fputs(enc->stats_out, PassLog_.get());
    av_packet_rescale_ts(Packet_.get(), enc->time_base, Setup_.Stream->time_base);
    writer.Write(Packet_.get(), host, false);
    av_packet_unref(Packet_.get());
  }
}

void TVideoStatsFile::WriteLine(const std::string& line) {
  if (!File_) {
    File_.reset(std::fopen(FileName_.c_str(), "w"));
    if (!File_) throw FFmpegException("fopen fail: " + FileName_);
  }
  std::fputs(line.c_str(), File_.get());
}

void TVideoOutput::WriteStatsLine(const AVPacket& packet, char pictureType, int64_t frames) {
  const double frameTime = av_q2d(Encoder_->time_base);
  const double elapsed = std::max(static_cast<double>(frames) * frameTime, 0.01);
  char line[256];
  std::snprintf(line, sizeof line,
                "frame= %5d q= %2.1f f_size= %6d s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s "
                "avg_br= %7.1fkbits/s type= %c\n",
                static_cast<int>(frames), static_cast<double>(Quality_), packet.size,
                static_cast<double>(EncodedBytes_) / 1024.0, elapsed,
                frameTime > 0 ? packet.size * 8.0 / frameTime / 1000.0 : 0.0,
                static_cast<double>(EncodedBytes_) * 8.0 / elapsed / 1000.0, pictureType);
  Setup_.Stats->WriteLine(line);
}

void TVideoOutput::Flush(TPacketWriter& writer, ITranscodeHost& host) {
  if (Flushed_ || !Encoder_) return;
  if (Graph_.Built() && Graph_.Push(nullptr) >= 0) {
    while (Graph_.Pull(Filtered_.get()) >= 0) {
      EncodeFiltered(Filtered_.get(), writer, host);
      av_frame_unref(Filtered_.get());
    }
  }
  Flushed_ = true;
  PadEnd(writer, host);
  SendToEncoder(nullptr, writer, host);
}

void TVideoOutput::PadEnd(TPacketWriter& writer, ITranscodeHost& host) {
  // Constant-rate output ends where the input's last picture ends, within a frame: the last
  // picture is repeated to cover what the rate conversion still owes.
  if (!Last_->buf[0] || LastPtsUs_ == AV_NOPTS_VALUE || SyncMethod_ == 0) return;
  AVCodecContext* enc = Encoder_.get();
  int64_t interval = IntervalUs_;
  if (interval <= 0) interval = av_rescale_q(1, enc->time_base, kMicroseconds);
  const double endTicks = static_cast<double>(LastPtsUs_ + interval - Setup_.StartTimeUs) / 1e6 /
                          av_q2d(enc->time_base);
  int64_t missing = std::llrint(endTicks) - SyncCounter_;
  missing = std::min(missing, Setup_.MaxFrames - FrameNumber_);
  for (int64_t i = 0; i < missing && !host.StopRequested(); ++i) {
    Last_->pts = SyncCounter_;
    SendToEncoder(Last_.get(), writer, host);
    ++SyncCounter_;
    ++FrameNumber_;
    ++FramesDuplicated_;
  }
  av_frame_unref(Last_.get());
}

void TVideoOutput::Preview(const AVFrame* frame, ITranscodeHost& host) {
  if (!host.PreviewWanted()) return;
  const int64_t now = av_gettime_relative();
  if (LastPreviewUs_ != INT64_MIN && now - LastPreviewUs_ <= kPreviewIntervalUs) return;
  LastPreviewUs_ = now;
  if (!PreviewConverter_.Convert(frame, PreviewBitmap_)) {
    host.Log(media::llError, "Cannot initialize the toRGB conversion context");
    host.DisablePreview();
    return;
  }
  TPreviewInfo info;
  info.Bitmap = &PreviewBitmap_;
  info.FrameNumber = static_cast<int>(FrameNumber_);
  info.PTS = static_cast<int64_t>(OutputTimeSec() * 1000000.0);
  host.DeliverPreview(info);
}

}  // namespace zanto::engine
