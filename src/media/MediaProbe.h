#pragma once
// The media probe: answers what one media file holds (container, size, duration, metadata and
// each stream's kind, codec and parameters). It describes one format context at a time, either
// one it opened itself (LoadFile) or one another part opened and hands over (AttachContext).
//
// A probe is used from the thread that owns it; it does no locking of its own. It holds the
// process-wide codec lock only while the library reads stream information.
#include <cstdint>
#include <string>

#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"

namespace zanto::media {

// File-level facts. Times in microseconds, -1 when unknown.
struct TFileStreamInfo {
  int64_t StartTime = -1;
  int64_t Duration = -1;
  int32_t BitRate = -1;    // bits/s; 0 when the library does not know it
  int64_t TimeStamp = -1;  // creation time, seconds since 1970-01-01 UTC; 0 when none
  int32_t Year = -1;       // from the "date" (or "year") tag; 0 when none
  int32_t Track = -1;      // from the "track" tag; 0 when none
  std::string Title, Author, Copyright, Comment, Album, Genre;
};

// Every integer is -1 when unknown or when the call failed.
struct TVideoStreamInfo {
  std::string Language;
  std::string CodecName;          // "h264 (H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10)"
  int64_t StreamStartTime = -1;   // stream time-base units; may be AV_NOPTS_VALUE
  int64_t StartTime = -1;         // microseconds
  int64_t StreamDuration = -1;    // stream time-base units; may be AV_NOPTS_VALUE
  int64_t Duration = -1;          // microseconds
  int32_t BitRate = -1;
  int32_t Height = -1;
  int32_t Width = -1;
  float DisplayAspectRatio = -1.0f;  // 0 when the sample aspect ratio is unknown
  int32_t PixelFormat = -1;          // AVPixelFormat
  int32_t FrameRateNum = -1;         // the stream's real base frame rate
  int32_t FrameRateDen = -1;
};

struct TAudioStreamInfo {
  std::string Language;
  std::string CodecName;
  int64_t StreamStartTime = -1;
  int64_t StartTime = -1;
  int64_t StreamDuration = -1;
  int64_t Duration = -1;
  int32_t BitRate = -1;
  int32_t Channels = -1;
  int32_t SampleRate = -1;    // Hz
  int32_t SampleFormat = -1;  // AVSampleFormat
};

class TCustomMediaProbe {
 public:
  TCustomMediaProbe();
  virtual ~TCustomMediaProbe();
  TCustomMediaProbe(const TCustomMediaProbe&) = delete;
  TCustomMediaProbe& operator=(const TCustomMediaProbe&) = delete;

  // Opens and describes a file. An empty format name means the format is detected. Returns
  // False with the reason in LastErrorMessage; the probe is then empty. Throws
  // std::runtime_error when a media library is missing (CheckLibraries).
  bool LoadFile(const std::string& fileName, const std::string& formatName = std::string());
  // Describes a context another part opened, without ever closing it. A null context just
  // leaves the probe empty. Throws like CheckLibraries.
  virtual void AttachContext(AVFormatContext* context);
  // Forgets the context (closing it only when the probe opened it) and resets every count.
  virtual void CloseFile();
  // Recomputes size and counts from the current context.
  virtual void ScanStreams();
  // Throws std::runtime_error("LibAVCodec not loaded.") etc. for the first library missing.
  static void CheckLibraries();

  std::string FileName();
  std::string FormatName();
  void GetFileStreamInfo(TFileStreamInfo& info);
  // index < 0 means the first stream of the kind. Return True when info was filled.
  bool GetVideoStreamInfo(int index, TVideoStreamInfo& info);
  bool GetAudioStreamInfo(int index, TAudioStreamInfo& info);
  bool IsAudioStream(int index);
  bool IsVideoStream(int index);
  // A multi-line description of the file, its programs and all its streams.
  std::string FormatInfoText();

  AVFormatContext* FormatContext() const { return FormatContext_; }
  bool OwnsContext() const { return OwnsContext_; }
  const std::string& LastErrorMessage() const { return LastErrorMessage_; }
  const std::string& ForcedFormatName() const { return ForcedFormatName_; }
  int64_t FileSize() const { return FileSize_; }
  int StreamCount() const { return StreamCount_; }
  int ProgramCount() const { return ProgramCount_; }
  int AudioStreamCount() const { return AudioStreamCount_; }
  int VideoStreamCount() const { return VideoStreamCount_; }
  int SubtitleStreamCount() const { return SubtitleStreamCount_; }
  int FirstAudioStream() const { return FirstAudioStream_; }
  int FirstVideoStream() const { return FirstVideoStream_; }
  int FirstSubtitleStream() const { return FirstSubtitleStream_; }

 protected:
  // Stores text as the last error and logs it with the probe as sender. level is the media
  // library's level number (AV_LOG_WARNING = 24, AV_LOG_ERROR = 16).
  void SetError(int level, const std::string& text);

 private:
  // The stream a Get...StreamInfo call describes (index < 0: the first of the kind); on a bad
  // index or a stream of another kind reports the error and returns nullptr.
  AVStream* StreamForInfo(int index, AVMediaType kind);

  AVFormatContext* FormatContext_ = nullptr;
  InputFormatPtr OwnedContext_;  // set only while the probe owns FormatContext_
  bool OwnsContext_ = false;
  std::string LastErrorMessage_;
  std::string ForcedFormatName_;
  int64_t FileSize_ = -1;
  int StreamCount_ = -1;
  int ProgramCount_ = -1;
  int AudioStreamCount_ = -1;
  int VideoStreamCount_ = -1;
  int SubtitleStreamCount_ = -1;
  int FirstAudioStream_ = -1;
  int FirstVideoStream_ = -1;
  int FirstSubtitleStream_ = -1;
};

// The class every user creates.
class TMediaProbe : public TCustomMediaProbe {};

}  // namespace zanto::media
