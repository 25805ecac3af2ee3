#include "media/MediaProbe.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "media/CodecLock.h"
#include "media/MediaLoader.h"
#include "media/MediaLogger.h"
#include "media/MediaProbeText.h"
#include "media/MediaUtils.h"
#include "platform/Paths.h"

namespace zanto::media {
namespace {

constexpr const char* kNotLoaded = "file not loaded.";
constexpr AVRational kMicroseconds{1, 1000000};

std::string Format(const char* format, auto... args) {
  char buffer[1024];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// The leading number of a tag such as "2001-05-01" or "7/12"; 0 when there is none.
int32_t LeadingNumber(const AVDictionary* metadata, const char* key) {
  const auto* entry = av_dict_get(metadata, key, nullptr, 0);
  if (!entry) return 0;
  return ClampToInt32(std::strtoll(entry->value, nullptr, 10));
}

// The creation time tag ("2024-01-02T03:04:05.000000Z") as seconds since 1970; 0 when none.
int64_t CreationTime(const AVDictionary* metadata) {
  const auto* entry = av_dict_get(metadata, "creation_time", nullptr, 0);
  int64_t us = 0;
  if (!entry || av_parse_time(&us, entry->value, 0) < 0) return 0;
  return us / 1000000;
}

std::string Tag(const AVDictionary* metadata, const char* key) {
  const auto* entry = av_dict_get(metadata, key, nullptr, 0);
  return entry ? entry->value : std::string();
}

// A program's name pieces: the older key first, then the one present demuxers write.
std::string ProgramTag(const AVDictionary* metadata, const char* key, const char* presentKey) {
  std::string value = Tag(metadata, key);
  if (value.empty()) value = Tag(metadata, presentKey);
  return value.empty() ? "N/A" : value;
}

// Start and duration of a stream, raw and in microseconds. The time base is repaired in place
// first so that a demuxer's 1/0 never reaches a division.
template <typename TInfo>
void FillStreamTimes(AVStream* stream, TInfo& info) {
  if (stream->time_base.den == 0) stream->time_base.den = stream->time_base.num;
  if (stream->time_base.den == 0) stream->time_base.den = 1;
  info.StreamStartTime = stream->start_time;
  info.StreamDuration = stream->duration;
  if (stream->start_time != AV_NOPTS_VALUE)
    info.StartTime = av_rescale_q(stream->start_time, stream->time_base, kMicroseconds);
  if (stream->duration != AV_NOPTS_VALUE)
    info.Duration = av_rescale_q(stream->duration, stream->time_base, kMicroseconds);
}

}  // namespace

TCustomMediaProbe::TCustomMediaProbe() = default;

TCustomMediaProbe::~TCustomMediaProbe() {
  // Only an owned context is closed; an attached one belongs to whoever attached it.
  OwnedContext_.reset();
  FormatContext_ = nullptr;
}

void TCustomMediaProbe::CheckLibraries() {
  struct TRequired {
    const char* Name;
    const char* Message;
  };
  static constexpr TRequired kRequired[] = {
      {"avcodec", "LibAVCodec not loaded."},
      {"avformat", "LibAVFormat not loaded."},
      {"avutil", "LibAVUtil not loaded."},
      {"swscale", "LibSwScale not loaded."},
  };
  // The libraries are linked; "loaded" means the one the process runs with has the major
  // version the program was built against.
  const auto set = MediaLibrarySet();
  for (const auto& required : kRequired) {
    const auto item = std::find_if(set.begin(), set.end(),
                                   [&](const TLibraryItem& i) { return i.Name == required.Name; });
    if (item == set.end() || !item->RuntimeVersion ||
        static_cast<int>(item->RuntimeVersion() >> 16) != item->Version)
      throw std::runtime_error(required.Message);
  }
}

void TCustomMediaProbe::SetError(int level, const std::string& text) {
  LastErrorMessage_ = text;
  GetLogger().LogMessage(this, LogLevelFromLibrary(level), text);
}

bool TCustomMediaProbe::LoadFile(const std::string& fileName, const std::string& formatName) {
  CheckLibraries();
  CloseFile();

  const AVInputFormat* inputFormat = nullptr;
  if (!formatName.empty()) {
    inputFormat = av_find_input_format(formatName.c_str());
    if (!inputFormat) {
      LastErrorMessage_ = "Unknown input format: " + formatName;
      return false;
    }
  }

  AVFormatContext* context = avformat_alloc_context();
  if (!context) {
    SetError(AV_LOG_ERROR, ErrorMessage(fileName, AVERROR(ENOMEM)));
    return false;
  }
  // On failure the library frees the context and clears the pointer.
  const std::string libraryName = platform::ToLibraryName(fileName);
  const int opened = avformat_open_input(&context, libraryName.c_str(), inputFormat, nullptr);
  if (opened < 0) {
    SetError(AV_LOG_ERROR, ErrorMessage(fileName, opened));
    CloseFile();
    return false;
  }
  OwnedContext_.reset(context);
  FormatContext_ = context;
  OwnsContext_ = true;

  int found;
  {
    std::lock_guard lock(CodecLock());
    found = avformat_find_stream_info(context, nullptr);
  }
  if (found < 0) {
    LastErrorMessage_ = fileName + ": could not find codec parameters";
    CloseFile();
    return false;
  }

  ScanStreams();
  ForcedFormatName_ = formatName;
  return true;
}

void TCustomMediaProbe::AttachContext(AVFormatContext* context) {
  CheckLibraries();
  CloseFile();
  FormatContext_ = context;
  OwnsContext_ = false;
  ScanStreams();
}

void TCustomMediaProbe::CloseFile() {
  ForcedFormatName_.clear();
  OwnedContext_.reset();  // closes the context only when it is the probe's own
  FormatContext_ = nullptr;
  OwnsContext_ = false;
  ScanStreams();
}

void TCustomMediaProbe::ScanStreams() {
  FileSize_ = -1;
  StreamCount_ = ProgramCount_ = -1;
  AudioStreamCount_ = VideoStreamCount_ = SubtitleStreamCount_ = -1;
  FirstAudioStream_ = FirstVideoStream_ = FirstSubtitleStream_ = -1;
  AVFormatContext* context = FormatContext_;
  if (!context) return;

  // A pipe or a custom reader cannot tell the size; the file on disk still can.
  int64_t contextSize = context->pb ? avio_size(context->pb) : -1;
  if (contextSize < 0) contextSize = -1;
  if (contextSize > 0) {
    FileSize_ = contextSize;
  } else {
    const std::string name = context->url ? platform::FromLibraryName(context->url) : "";
    FileSize_ = !name.empty() && platform::FileExists(name) ? platform::FileSize(name)
                                                              : contextSize;
  }

  StreamCount_ = static_cast<int>(context->nb_streams);
  ProgramCount_ = static_cast<int>(context->nb_programs);
  AudioStreamCount_ = VideoStreamCount_ = SubtitleStreamCount_ = 0;
  for (int i = 0; i < StreamCount_; ++i) {
    switch (context->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        ++VideoStreamCount_;
        if (FirstVideoStream_ < 0) FirstVideoStream_ = i;
        break;
      case AVMEDIA_TYPE_AUDIO:
        ++AudioStreamCount_;
        if (FirstAudioStream_ < 0) FirstAudioStream_ = i;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        ++SubtitleStreamCount_;
        if (FirstSubtitleStream_ < 0) FirstSubtitleStream_ = i;
        break;
      default:  // data and attachments count only as streams
        break;
    }
  }
}

std::string TCustomMediaProbe::FileName() {
  if (!FormatContext_) {
    SetError(AV_LOG_WARNING, kNotLoaded);
    return std::string();
  }
  return FormatContext_->url ? platform::FromLibraryName(FormatContext_->url) : std::string();
}

std::string TCustomMediaProbe::FormatName() {
  if (!FormatContext_) {
    SetError(AV_LOG_WARNING, kNotLoaded);
    return std::string();
  }
  return FormatContext_->iformat ? FormatContext_->iformat->name : std::string();
}

void TCustomMediaProbe::GetFileStreamInfo(TFileStreamInfo& info) {
  info = TFileStreamInfo();
  if (!FormatContext_) {
    SetError(AV_LOG_WARNING, kNotLoaded);
    return;
  }
  const AVFormatContext* context = FormatContext_;
  const AVDictionary* metadata = context->metadata;
  info.StartTime = context->start_time == AV_NOPTS_VALUE ? -1 : context->start_time;
  info.Duration = context->duration == AV_NOPTS_VALUE ? -1 : context->duration;
  info.BitRate = ClampToInt32(context->bit_rate);
  // The creation time, year and track now live in the metadata rather than in fields.
  info.TimeStamp = CreationTime(metadata);
  info.Year = LeadingNumber(metadata, av_dict_get(metadata, "date", nullptr, 0) ? "date" : "year");
  info.Track = LeadingNumber(metadata, "track");
  info.Title = Tag(metadata, "title");
  // Present demuxers name the author "artist"; an "author" tag still wins when a file has one.
  info.Author = Tag(metadata, "author");
  if (info.Author.empty()) info.Author = Tag(metadata, "artist");
  info.Copyright = Tag(metadata, "copyright");
  info.Comment = Tag(metadata, "comment");
  info.Album = Tag(metadata, "album");
  info.Genre = Tag(metadata, "genre");
}

AVStream* TCustomMediaProbe::StreamForInfo(int index, AVMediaType kind) {
  const bool video = kind == AVMEDIA_TYPE_VIDEO;
  if (!FormatContext_) {
    SetError(AV_LOG_WARNING, kNotLoaded);
    return nullptr;
  }
  if (index >= StreamCount_) {
    SetError(AV_LOG_ERROR, Format("stream index #%d is invalid.", index));
    return nullptr;
  }
  if (index < 0) {
    index = video ? FirstVideoStream_ : FirstAudioStream_;
    if (index < 0) {
      SetError(AV_LOG_ERROR, video ? "no video stream." : "no audio stream.");
      return nullptr;
    }
  }
  AVStream* stream = FormatContext_->streams[index];
  if (stream->codecpar->codec_type != kind) {
    SetError(AV_LOG_ERROR, Format(video ? "stream #%d is not video stream."
                                        : "stream #%d is not audio stream.",
                                  index));
    return nullptr;
  }
  return stream;
}

bool TCustomMediaProbe::GetVideoStreamInfo(int index, TVideoStreamInfo& info) {
  info = TVideoStreamInfo();
  AVStream* stream = StreamForInfo(index, AVMEDIA_TYPE_VIDEO);
  if (!stream) return false;
  const AVCodecParameters* par = stream->codecpar;
  info.Language = Tag(stream->metadata, "language");
  info.CodecName = CodecDescription(par);
  FillStreamTimes(stream, info);
  info.BitRate = ClampToInt32(par->bit_rate);
  info.Height = par->height;
  info.Width = par->width;
  // A picture without height has no aspect ratio; 0 rather than a division by zero.
  info.DisplayAspectRatio =
      par->sample_aspect_ratio.num == 0 || par->sample_aspect_ratio.den == 0 || par->height <= 0
          ? 0.0f
          : static_cast<float>(av_q2d(par->sample_aspect_ratio) * par->width / par->height);
  info.PixelFormat = par->format;
  info.FrameRateNum = stream->r_frame_rate.num;
  info.FrameRateDen = stream->r_frame_rate.den;
  return true;
}

bool TCustomMediaProbe::GetAudioStreamInfo(int index, TAudioStreamInfo& info) {
  info = TAudioStreamInfo();
  AVStream* stream = StreamForInfo(index, AVMEDIA_TYPE_AUDIO);
  if (!stream) return false;
  const AVCodecParameters* par = stream->codecpar;
  info.Language = Tag(stream->metadata, "language");
  info.CodecName = CodecDescription(par);
  FillStreamTimes(stream, info);
  info.BitRate = ClampToInt32(par->bit_rate);
  info.Channels = par->ch_layout.nb_channels;
  info.SampleRate = par->sample_rate;
  info.SampleFormat = par->format;
  return true;
}

bool TCustomMediaProbe::IsAudioStream(int index) {
  if (!FormatContext_) {
    SetError(AV_LOG_WARNING, kNotLoaded);
    return false;
  }
  if (index < 0 || index >= StreamCount_) {
    SetError(AV_LOG_ERROR, Format("stream index #%d is invalid.", index));
    return false;
  }
  return FormatContext_->streams[index]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
}

bool TCustomMediaProbe::IsVideoStream(int index) {
  if (!FormatContext_) {
    SetError(AV_LOG_WARNING, kNotLoaded);
    return false;
  }
  if (index < 0 || index >= StreamCount_) {
    SetError(AV_LOG_ERROR, Format("stream index #%d is invalid.", index));
    return false;
  }
  return FormatContext_->streams[index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
}

std::string TCustomMediaProbe::FormatInfoText() {
  if (!FormatContext_) {
    SetError(AV_LOG_WARNING, kNotLoaded);
    return std::string();
  }
  const AVFormatContext* context = FormatContext_;
  std::vector<std::string> lines;
  lines.push_back("File Name: " + FileName());
  lines.push_back("Format Name: " + FormatName());
  lines.push_back(std::string("Format Long Name: ") +
                  (context->iformat && context->iformat->long_name ? context->iformat->long_name
                                                                   : ""));
  lines.push_back("File Size: " + SizeToText(FileSize_));

  TFileStreamInfo info;
  GetFileStreamInfo(info);
  lines.push_back(info.Duration < 0 ? "Duration: N/A" : "Duration: " + DurationToText(info.Duration));
  if (info.StartTime >= 0) lines.push_back("StartTime: " + SecondsText(info.StartTime));
  lines.push_back(info.BitRate < 1 ? "Bit Rate: N/A"
                                   : Format("Bit Rate: %d kb/s", info.BitRate / 1000));
  if (info.TimeStamp > 0) lines.push_back("Time Stamp: " + LocalTimeText(info.TimeStamp));
  AppendMetadataBlock(lines, context->metadata, "");

  std::vector<bool> listed(context->nb_streams, false);
  for (unsigned p = 0; p < context->nb_programs; ++p) {
    const AVProgram* program = context->programs[p];
    lines.push_back(Format("Program %d %s@%s", program->id,
                           ProgramTag(program->metadata, "provider_name", "service_provider").c_str(),
                           ProgramTag(program->metadata, "name", "service_name").c_str()));
    AppendMetadataBlock(lines, program->metadata, "  ");
    for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
      const unsigned index = program->stream_index[k];
      if (index >= context->nb_streams) continue;
      listed[index] = true;
      AppendStreamLines(lines, context, static_cast<int>(index));
    }
  }
  for (unsigned i = 0; i < context->nb_streams; ++i)
    if (!listed[i]) AppendStreamLines(lines, context, static_cast<int>(i));

  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += '\n';
    text += lines[i];
  }
  return text;
}

}  // namespace zanto::media
