// Declaring an output file of a task and its streams. The streams are read from the option
// state now; the file itself is created only when the task runs, so a task that never runs
// leaves no empty file behind.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "engine/CodecAliases.h"
#include "engine/FFmpegException.h"
#include "engine/FFmpegTask.h"
#include "media/MediaUtils.h"
#include "platform/Paths.h"

namespace zanto::engine {

namespace {

// The error a later open for writing would meet, or 0: the folder must exist and be writable,
// an existing file must be writable.
int WriteProblem(const std::string& libraryName) {
  namespace fs = std::filesystem;
  const fs::path path(libraryName);
  std::error_code ec;
  if (fs::exists(path, ec)) {
    if (fs::is_directory(path, ec)) return AVERROR(EISDIR);
    return access(libraryName.c_str(), W_OK) == 0 ? 0 : AVERROR(errno);
  }
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec)) return AVERROR(ENOENT);
  return access(folder.c_str(), W_OK) == 0 ? 0 : AVERROR(errno);
}

}  // namespace

TStreamRequest TCustomFFmpeg::CommonRequest(AVMediaType kind) {
  TStreamRequest request;
  request.Kind = kind;
  request.ThreadCount = State_.ThreadCount;
  request.GenericSettings = State_.Generic.Settings();
  if (const AVCodecContext* ctx = State_.Generic.CodecContext(kind))
    request.Strictness = ctx->strict_std_compliance;
  return request;
}

bool TCustomFFmpeg::OpenOutputFile(const std::string& fileName, bool join) {
  TOptionState& s = State_;
  if (JoinMode_) {
    LastErrorText_ = "Cannot join more than one output file.";
    return false;
  }
  const std::string libraryName = platform::ToLibraryName(fileName);
  const AVOutputFormat* format = nullptr;
  if (!s.ForcedFormat.empty()) {
    format = av_guess_format(s.ForcedFormat.c_str(), nullptr, nullptr);
    if (!format) {
      LastErrorText_ = FFmpegException::Format("Requested output format '%s' is not a suitable output format",
                                               s.ForcedFormat.c_str()).what();
      return false;
    }
    s.ForcedFormat.clear();
  } else {
    format = av_guess_format(nullptr, libraryName.c_str(), nullptr);
    if (!format) {
      LastErrorText_ = FFmpegException::Format("Unable to find a suitable output format for '%s'",
                                               fileName.c_str()).what();
      return false;
    }
  }

  // Which kinds of stream: asked for, or the container's default, and present in an input.
  // A container whose default picture codec is PNG (MP3) means cover art, not video.
  const bool defaultVideo = format->video_codec != AV_CODEC_ID_NONE && format->video_codec != AV_CODEC_ID_PNG;
  bool video = s.VideoStreamCopy || defaultVideo || !s.VideoCodecName.empty();
  bool audio = s.AudioStreamCopy || format->audio_codec != AV_CODEC_ID_NONE || !s.AudioCodecName.empty();
  // Subtitles are carried only when asked for by name (they are copied, not re-encoded).
  bool subtitle = s.SubtitleStreamCopy || !s.SubtitleCodecName.empty();
  if (!Inputs_.empty()) {
    bool hasVideo = false, hasAudio = false, hasSubtitle = false;
    const size_t inputsToCheck = join ? 1 : Inputs_.size();
    for (size_t f = 0; f < inputsToCheck; ++f) {
      AVFormatContext* ic = Inputs_[f].Context.get();
      for (unsigned i = 0; i < ic->nb_streams; ++i) {
        switch (ic->streams[i]->codecpar->codec_type) {
          case AVMEDIA_TYPE_VIDEO: hasVideo = true; break;
          case AVMEDIA_TYPE_AUDIO: hasAudio = true; break;
          case AVMEDIA_TYPE_SUBTITLE: hasSubtitle = true; break;
          default: break;
        }
      }
    }
    video &= hasVideo;
    audio &= hasAudio;
    subtitle &= hasSubtitle;
  }
  if (s.AudioDisable) audio = false;
  if (s.VideoDisable) video = false;
  if (s.SubtitleDisable) subtitle = false;

  // Source files are never written: an output naming one of the task's inputs is refused
  // before anything could truncate it.
  for (const TInputFile& input : Inputs_) {
    std::error_code ec;
    if (std::filesystem::equivalent(input.LibraryName, libraryName, ec)) {
      LastErrorText_ = fileName + ": the output file is an input file of the task";
      return false;
    }
  }
  if (const int problem = WriteProblem(libraryName)) {
    LastErrorText_ = media::ErrorMessage(fileName, problem);
    return false;
  }
  if ((format->flags & AVFMT_NEEDNUMBER) && !av_filename_number_test(libraryName.c_str())) {
    LastErrorText_ = fileName + ": Number syntax expected in filename";
    return false;
  }

  TOutputFile file;
  file.FileName = fileName;
  file.LibraryName = libraryName;
  file.Format = format;
  Outputs_.push_back(std::move(file));
  try {
    if (video) NewVideoStream();
  } catch (const FFmpegException& e) {
    Outputs_.pop_back();
    LastErrorText_ = std::string("new_video_stream fail: ") + e.what();
    return false;
  }
  try {
    if (audio) NewAudioStream();
  } catch (const FFmpegException& e) {
    Outputs_.pop_back();
    LastErrorText_ = std::string("new_audio_stream fail: ") + e.what();
    return false;
  }
  try {
    if (subtitle) NewSubtitleStream();
  } catch (const FFmpegException& e) {
    Outputs_.pop_back();
    LastErrorText_ = std::string("new_subtitle_stream fail: ") + e.what();
    return false;
  }

  TOutputFile& out = Outputs_.back();
  if (s.RecordingTimestampS != 0) out.TimestampUs = s.RecordingTimestampS * 1000000;
  out.Metadata = std::move(s.Metadata);
  s.Metadata.clear();
  out.GenericSettings = s.Generic.Settings();
  out.MuxDelaySec = s.MuxMaxDelayS;
  out.MuxPreloadSec = s.MuxPreloadS;

  if (join && Inputs_.size() > 1) {
    // The inputs go one after another into this output.
    JoinMode_ = true;
    int64_t sum = 0;
    for (const TInputFile& in : Inputs_)
      if (in.DurationUs > 0) sum += in.DurationUs;
    TotalDuration_ = sum > 0 ? sum : -1;
  }
  return true;
}

void TCustomFFmpeg::NewVideoStream() {
  TOptionState& s = State_;
  if (Outputs_.empty()) throw FFmpegException("Could not alloc stream");
  TOutputFile& file = Outputs_.back();
  TStreamRequest r = CommonRequest(AVMEDIA_TYPE_VIDEO);
  r.BitstreamFilters = std::move(s.VideoBitstreamFilters);
  s.VideoBitstreamFilters.clear();
  r.CodecTag = s.VideoCodecTag;
  r.GlobalHeader = (s.VideoGlobalHeader & 1) ||
                   (s.VideoGlobalHeader == 0 && (file.Format->flags & AVFMT_GLOBALHEADER));
  r.Copy = s.VideoStreamCopy;
  if (!r.Copy) {
    r.FrameRate = s.FrameRate.den > 0 && s.FrameRate.num > 0 ? s.FrameRate : AVRational{25, 1};
    r.ForceFps = s.ForceFps;
    if (!s.VideoCodecName.empty()) {
      const TEncoderName resolved = ResolveEncoderName(s.VideoCodecName);
      if (!FindCodec(resolved.Name, AVMEDIA_TYPE_VIDEO, true, r.Strictness, r.Encoder))
        throw FFmpegException(LastErrorText_);
      if (resolved.CodecTag && !r.CodecTag) r.CodecTag = resolved.CodecTag;
      if (resolved.Substituted &&
          std::find(LoggedAliases_.begin(), LoggedAliases_.end(), s.VideoCodecName) == LoggedAliases_.end()) {
        LoggedAliases_.push_back(s.VideoCodecName);
        Log(media::llInfo, "Encoder '" + s.VideoCodecName + "' is not available, using '" + resolved.Name + "'");
      }
      r.CodecName = s.VideoCodecName;
    } else {
      const AVCodecID id = av_guess_codec(file.Format, nullptr, file.LibraryName.c_str(), nullptr, AVMEDIA_TYPE_VIDEO);
      r.Encoder = id != AV_CODEC_ID_NONE ? avcodec_find_encoder(id) : nullptr;
    }
    r.Width = s.FrameWidth;
    r.Height = s.FrameHeight;
    r.PixelFormat = s.PixelFormat;
    r.AspectRatio = s.FrameAspectRatio;
    r.CropTop = s.CropTop;
    r.CropBottom = s.CropBottom;
    r.CropLeft = s.CropLeft;
    r.CropRight = s.CropRight;
    r.VideoFilters = s.VideoFilters;
    if (s.Deinterlace) r.VideoFilters = r.VideoFilters.empty() ? "yadif" : "yadif," + r.VideoFilters;
    r.VideoSync = s.VideoSyncMethod;
    r.VideoQScale = s.VideoQScale;
  }
  r.Language = s.VideoLanguage;
  file.Streams.push_back(std::move(r));
  s.VideoLanguage.clear();
  s.VideoDisable = false;
  s.VideoCodecName.clear();
  s.VideoStreamCopy = false;
  s.PixelFormat = AV_PIX_FMT_NONE;
}

void TCustomFFmpeg::NewAudioStream() {
  TOptionState& s = State_;
  if (Outputs_.empty()) throw FFmpegException("Could not alloc stream");
  TOutputFile& file = Outputs_.back();
  TStreamRequest r = CommonRequest(AVMEDIA_TYPE_AUDIO);
  r.BitstreamFilters = std::move(s.AudioBitstreamFilters);
  s.AudioBitstreamFilters.clear();
  r.CodecTag = s.AudioCodecTag;
  r.GlobalHeader = (file.Format->flags & AVFMT_GLOBALHEADER) != 0;
  r.Copy = s.AudioStreamCopy;
  r.Volume = s.AudioVolume;
  if (!r.Copy) {
    if (!s.AudioCodecName.empty()) {
      const TEncoderName resolved = ResolveEncoderName(s.AudioCodecName);
      if (!FindCodec(resolved.Name, AVMEDIA_TYPE_AUDIO, true, r.Strictness, r.Encoder))
        throw FFmpegException(LastErrorText_);
      if (resolved.CodecTag && !r.CodecTag) r.CodecTag = resolved.CodecTag;
      if (resolved.Substituted &&
          std::find(LoggedAliases_.begin(), LoggedAliases_.end(), s.AudioCodecName) == LoggedAliases_.end()) {
        LoggedAliases_.push_back(s.AudioCodecName);
        Log(media::llInfo, "Encoder '" + s.AudioCodecName + "' is not available, using '" + resolved.Name + "'");
      }
      r.CodecName = s.AudioCodecName;
    } else {
      const AVCodecID id = av_guess_codec(file.Format, nullptr, file.LibraryName.c_str(), nullptr, AVMEDIA_TYPE_AUDIO);
      r.Encoder = id != AV_CODEC_ID_NONE ? avcodec_find_encoder(id) : nullptr;
    }
    r.SampleRate = s.AudioSampleRate;
    r.Channels = s.AudioChannels;
    r.SampleFormat = s.SampleFormat;
    r.AudioSync = s.AudioSyncMethod;
    r.AudioQScale = s.AudioQScale;
  }
  r.Language = s.AudioLanguage;
  file.Streams.push_back(std::move(r));
  s.AudioLanguage.clear();
  s.AudioDisable = false;
  s.AudioCodecName.clear();
  s.AudioStreamCopy = false;
}

void TCustomFFmpeg::NewSubtitleStream() {
  TOptionState& s = State_;
  if (Outputs_.empty()) throw FFmpegException("Could not alloc stream");
  TOutputFile& file = Outputs_.back();
  TStreamRequest r = CommonRequest(AVMEDIA_TYPE_SUBTITLE);
  r.BitstreamFilters = std::move(s.SubtitleBitstreamFilters);
  s.SubtitleBitstreamFilters.clear();
  r.CodecTag = s.SubtitleCodecTag;
  r.Copy = s.SubtitleStreamCopy;
  if (!r.Copy && !s.SubtitleCodecName.empty()) {
    if (!FindCodec(s.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, true, r.Strictness, r.Encoder))
      throw FFmpegException(LastErrorText_);
    r.CodecName = s.SubtitleCodecName;
  }
  r.Language = s.SubtitleLanguage;
  file.Streams.push_back(std::move(r));
  s.SubtitleLanguage.clear();
  s.SubtitleDisable = false;
  s.SubtitleCodecName.clear();
  s.SubtitleStreamCopy = false;
}

}  // namespace zanto::engine
