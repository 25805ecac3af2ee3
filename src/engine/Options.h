#pragma once
// The option records a caller fills for one input and one output of an engine task. An integer
// of -1, a float of -1.0 or a time of AV_NOPTS_VALUE means "not set" and is not applied.
#include <cstdint>
#include <string>

namespace zanto::engine {

// The library's "no time" value (AV_NOPTS_VALUE), without pulling in its headers.
inline constexpr int64_t kNoTime = INT64_MIN;

struct TInputOptions {
  std::string FileName;        // empty: the name given to AddTask
  std::string FileFormat;      // "f"
  int64_t StartTime = kNoTime; // "ss" before the input, microseconds
  int ProgramID = -1;          // "programid", applied when 0 or more
  std::string ExtOptions;      // further options, one "name=value" a line
};

struct TStreamInfo {
  double TimeStamp = -1;  // 0 = now, > 0 = that local date-time (days since 1899-12-30)
  int Year = -1;
  int Track = -1;
  std::string Title, Author, Copyright, Comment, Album, Genre;
};

struct TOutputOptions {
  std::string FileName;  // empty: the name given to SetOutputFile
  std::string FileFormat;
  int PacketSize = -1;
  int MuxRate = -1;
  float MuxDelay = -1.0f;
  float MuxPreload = -1.0f;
  std::string AudioCodec;
  std::string AudioPreset;
  bool DisableAudio = false;
  int AudioVolume = -1;
  int AudioChannels = -1;
  int AudioSampleRate = -1;
  int AudioBitrate = -1;  // bit/s
  int AudioBitrateTolerance = -1;
  std::string AudioLanguage;
  int AudioSync = 0;
  std::string AudioTag;
  std::string VideoCodec;
  std::string VideoPreset;
  bool DisableVideo = false;
  std::string FrameRate;
  std::string FrameSize;
  std::string FrameAspectRatio;
  int CropTop = -1, CropBottom = -1, CropLeft = -1, CropRight = -1;
  int GroupOfPictures = -1;
  int VideoBitrate = -1;  // bit/s
  int VideoMaxRate = -1;
  int VideoMinRate = -1;
  int VideoBitrateTolerance = -1;
  int VideoBufSize = -1;
  int VideoSync = -1;
  std::string VideoTag;
  std::string VideoFilters;
  std::string VideoLanguage;
  std::string SubtitleCodec;
  std::string SubtitlePreset;
  bool DisableSubtitle = false;
  std::string SubtitleLanguage;
  bool InputSync = false;
  bool CopyTimestamps = false;
  int64_t StartTime = kNoTime;      // "ss" after the input, microseconds
  int64_t RecordingTime = kNoTime;  // "t", microseconds
  TStreamInfo Metadata;
  int TargetType = 0;         // 0 none, 1 vcd, 2 svcd, 3 dvd
  int TargetNorm = 0;         // 0 auto, 1 pal, 2 ntsc
  int TargetDefaultNorm = 1;  // 1 pal, other ntsc
  bool CustomHook = false;
  bool Join = false;
  std::string ExtOptions;
};

inline void InitInputOptions(TInputOptions& options) { options = TInputOptions{}; }
inline void InitOutputOptions(TOutputOptions& options) { options = TOutputOptions{}; }

}  // namespace zanto::engine
