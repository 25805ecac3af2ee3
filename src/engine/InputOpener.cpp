// Opening an input file of a task, and finding codecs by name.
#include <mutex>

#include "engine/FFmpegException.h"
#include "engine/FFmpegTask.h"
#include "media/CodecLock.h"
#include "media/MediaUtils.h"
#include "platform/Paths.h"

namespace zanto::engine {

namespace {

// Lets a stop request interrupt a blocking open or read.
int InterruptCallback(void* opaque) {
  return static_cast<const TCustomFFmpeg*>(opaque)->StopRequested() ? 1 : 0;
}

}  // namespace

bool TCustomFFmpeg::FindCodec(const std::string& name, AVMediaType kind, bool encoder,
                              int strictness, const AVCodec*& codec) {
  codec = nullptr;
  if (name.empty()) return true;
  const char* role = encoder ? "encoder" : "decoder";
  const AVCodec* found = encoder ? avcodec_find_encoder_by_name(name.c_str())
                                 : avcodec_find_decoder_by_name(name.c_str());
  if (!found) {
    LastErrorText_ = FFmpegException::Format("Unknown %s '%s'", role, name.c_str()).what();
    return false;
  }
  if (found->type != kind) {
    LastErrorText_ = FFmpegException::Format("Invalid %s type '%s'", role, name.c_str()).what();
    return false;
  }
  if ((found->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && strictness > FF_COMPLIANCE_EXPERIMENTAL) {
    std::string text = FFmpegException::Format(
        "%s '%s' is experimental and might produce bad results.\r\nAdd '-strict experimental' if "
        "you want to use it.", role, name.c_str()).what();
    const AVCodec* other = encoder ? avcodec_find_encoder(found->id) : avcodec_find_decoder(found->id);
    if (other && !(other->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
      text += FFmpegException::Format("\r\nOr use the non experimental %s '%s'.", role, other->name).what();
    LastErrorText_ = text;
    return false;
  }
  codec = found;
  return true;
}

bool TCustomFFmpeg::OpenInputFile(const std::string& fileName) {
  TOptionState& s = State_;
  const AVInputFormat* forced = nullptr;
  if (!s.ForcedFormat.empty()) {
    forced = av_find_input_format(s.ForcedFormat.c_str());
    if (!forced) throw FFmpegException::Format("Unknown input format: \"%s\"", s.ForcedFormat.c_str());
    s.ForcedFormat.clear();
  }
  auto cleanUp = [&s] {
    s.VideoCodecName.clear();
    s.AudioCodecName.clear();
    s.SubtitleCodecName.clear();
    s.VideoChannel = 0;
  };

  // Decoders forced by name.
  auto strictness = [&s](AVMediaType kind) {
    const AVCodecContext* ctx = s.Generic.CodecContext(kind);
    return ctx ? ctx->strict_std_compliance : 0;
  };
  const AVCodec* videoDecoder = nullptr;
  const AVCodec* audioDecoder = nullptr;
  const AVCodec* subtitleDecoder = nullptr;
  if (!FindCodec(s.VideoCodecName, AVMEDIA_TYPE_VIDEO, false, strictness(AVMEDIA_TYPE_VIDEO), videoDecoder) ||
      !FindCodec(s.AudioCodecName, AVMEDIA_TYPE_AUDIO, false, strictness(AVMEDIA_TYPE_AUDIO), audioDecoder) ||
      !FindCodec(s.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, false, strictness(AVMEDIA_TYPE_SUBTITLE),
                 subtitleDecoder)) {
    cleanUp();
    return false;
  }

  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) throw FFmpegException("avformat_alloc_context failed");
  raw->interrupt_callback.callback = InterruptCallback;
  raw->interrupt_callback.opaque = this;
  // Raw formats read their parameters from these; other demuxers ignore them.
  AVDictionary* options = nullptr;
  if (s.AudioSampleRate > 0) av_dict_set_int(&options, "sample_rate", s.AudioSampleRate, 0);
  if (s.AudioChannels > 0) av_dict_set_int(&options, "channels", s.AudioChannels, 0);
  if (s.FrameRate.den > 0 && s.FrameRate.num > 0) {
    char rate[64];
    std::snprintf(rate, sizeof rate, "%d/%d", s.FrameRate.num, s.FrameRate.den);
    av_dict_set(&options, "framerate", rate, 0);
  }
  if (s.FrameWidth > 0 && s.FrameHeight > 0) {
    char size[64];
    std::snprintf(size, sizeof size, "%dx%d", s.FrameWidth, s.FrameHeight);
    av_dict_set(&options, "video_size", size, 0);
  }
  if (s.PixelFormat != AV_PIX_FMT_NONE)
    av_dict_set(&options, "pixel_format", av_get_pix_fmt_name(s.PixelFormat), 0);
  if (!s.VideoStandard.empty()) av_dict_set(&options, "standard", s.VideoStandard.c_str(), 0);
  for (const TGenericSetting& setting : s.Generic.Settings())
    if (setting.Target == TGenericTarget::Format && (!setting.Flags || (setting.Flags & AV_OPT_FLAG_DECODING_PARAM)))
      av_dict_set(&options, setting.Name.c_str(), setting.Value.c_str(), 0);
  if (s.PgmYuvCompat) raw->video_codec_id = AV_CODEC_ID_PGMYUV;

  const std::string libraryName = platform::ToLibraryName(fileName);
  int ret = avformat_open_input(&raw, libraryName.c_str(), forced, &options);
  av_dict_free(&options);
  if (ret < 0) {
    // avformat_open_input frees the context on failure.
    LastErrorText_ = media::ErrorMessage(fileName, ret);
    cleanUp();
    return false;
  }
  media::InputFormatPtr ic(raw);

  if (s.ProgramId != 0) {
    bool found = false;
    for (unsigned i = 0; i < ic->nb_streams; ++i) ic->streams[i]->discard = AVDISCARD_ALL;
    for (unsigned p = 0; p < ic->nb_programs; ++p) {
      AVProgram* program = ic->programs[p];
      if (program->id == s.ProgramId) {
        found = true;
        program->discard = AVDISCARD_DEFAULT;
        for (unsigned i = 0; i < program->nb_stream_indexes; ++i)
          ic->streams[program->stream_index[i]]->discard = AVDISCARD_DEFAULT;
      } else {
        program->discard = AVDISCARD_ALL;
      }
    }
    if (!found) {
      LastErrorText_ = "Specified program id not found";
      cleanUp();
      return false;
    }
    s.ProgramId = 0;
  }

  {
    std::lock_guard lock(media::CodecLock());
    ret = avformat_find_stream_info(ic.get(), nullptr);
  }
  if (ret < 0 && s.Verbosity >= 0) {
    LastErrorText_ = FFmpegException::Format("%s: could not find codec parameters", fileName.c_str()).what();
    Log(media::llVerbose, LastErrorText_);
    cleanUp();
    return false;
  }

  // Start time: seek before the first packet is read.
  int64_t target = s.StartTimeUs;
  if (ic->start_time != AV_NOPTS_VALUE) target += ic->start_time;
  if (s.StartTimeUs != 0) {
    ret = av_seek_frame(ic.get(), -1, target, AVSEEK_FLAG_BACKWARD);
    if (ret < 0 && s.Verbosity > 0)
      Log(media::llVerbose, FFmpegException::Format("%s: could not seek to position %0.3f",
                                                    fileName.c_str(), target / 1e6).what());
  }
  s.StartTimeUs = 0;

  TInputFile file;
  file.FileName = fileName;
  file.LibraryName = libraryName;
  file.ForcedDecoders.assign(ic->nb_streams, nullptr);
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    AVStream* st = ic->streams[i];
    const AVCodecParameters* par = st->codecpar;
    switch (par->codec_type) {
      case AVMEDIA_TYPE_VIDEO: {
        s.FrameWidth = par->width;
        s.FrameHeight = par->height;
        AVRational sar = st->sample_aspect_ratio.num ? st->sample_aspect_ratio : par->sample_aspect_ratio;
        if (par->width > 0 && par->height > 0)
          s.FrameAspectRatio = static_cast<float>((sar.num > 0 ? av_q2d(sar) : 1.0) * par->width / par->height);
        else if (sar.num <= 0)
          s.FrameAspectRatio = 4.0f / 3.0f;
        s.PixelFormat = par->format >= 0 ? static_cast<AVPixelFormat>(par->format) : AV_PIX_FMT_YUV420P;
        const AVRational rate = av_guess_frame_rate(ic.get(), st, nullptr);
        if (rate.num > 0 && rate.den > 0) s.FrameRate = rate;
        file.ForcedDecoders[i] = videoDecoder;
        if (s.VideoDisable)
          st->discard = AVDISCARD_ALL;
        else if (s.VideoDiscard)
          st->discard = static_cast<AVDiscard>(s.VideoDiscard);
        break;
      }
      case AVMEDIA_TYPE_AUDIO:
        s.AudioChannels = par->ch_layout.nb_channels;
        s.AudioChannelLayout = par->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? par->ch_layout.u.mask : 0;
        s.AudioSampleRate = par->sample_rate;
        s.SampleFormat = static_cast<AVSampleFormat>(par->format);
        file.ForcedDecoders[i] = audioDecoder;
        if (s.AudioDisable) st->discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        file.ForcedDecoders[i] = subtitleDecoder;
        if (s.SubtitleDisable) st->discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_DATA:
      case AVMEDIA_TYPE_ATTACHMENT:
      case AVMEDIA_TYPE_UNKNOWN:
        break;
      default:
        throw FFmpegException("invalid codec_type");
    }
  }

  if (ic->duration != AV_NOPTS_VALUE && ic->duration > TotalDuration_) TotalDuration_ = ic->duration;
  file.DurationUs = ic->duration != AV_NOPTS_VALUE ? ic->duration : -1;
  file.TsOffsetUs = s.InputTsOffsetUs - (s.CopyTimestamps ? 0 : target);
  if (s.Verbosity >= 0) av_dump_format(ic.get(), static_cast<int>(Inputs_.size()), libraryName.c_str(), 0);
  file.Context = std::move(ic);
  Inputs_.push_back(std::move(file));
  cleanUp();
  return true;
}

}  // namespace zanto::engine
