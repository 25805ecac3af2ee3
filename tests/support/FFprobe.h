#pragma once
// An independent reading of a media file: runs `ffprobe -show_streams -show_format -of json`
// and returns the facts that tests compare against.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zanto::test {

struct ProbeStream {
  int Index = -1;
  std::string CodecType;  // "video", "audio", "subtitle", "data"
  std::string CodecName;  // "h264", "aac"
  std::string CodecTag;   // "avc1", "XVID" (codec_tag_string)
  std::string Profile;    // "Main", "Constrained Baseline"
  int Level = -1;         // 30 for level 3.0 (H.264)
  int Width = 0, Height = 0;
  std::string PixFmt;
  double AvgFrameRate = 0, RFrameRate = 0;  // frames per second
  std::string TimeBase;                     // "1/90000"
  int SampleRate = 0, Channels = 0;
  std::string SampleFmt;
  double StartTime = 0, Duration = -1;  // seconds; -1 when ffprobe gives none
  int64_t BitRate = -1;
  int64_t NbFrames = -1;
  std::map<std::string, std::string> Tags;
};

struct ProbeResult {
  bool Ok = false;  // ffprobe ran and read the file
  std::string FormatName;  // "mov,mp4,m4a,3gp,3g2,mj2"
  double Duration = -1;    // seconds
  double StartTime = 0;
  int64_t Size = -1;
  int64_t BitRate = -1;
  std::map<std::string, std::string> Tags;
  std::vector<ProbeStream> Streams;

  // First stream of the kind, or nullptr.
  const ProbeStream* First(const std::string& codecType) const;
  int Count(const std::string& codecType) const;
};

ProbeResult FFprobe(const std::string& file);

// Runs a command through the shell; returns its exit status and fills output with stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);
// Quotes a path for the shell.
std::string ShellQuote(const std::string& text);

}  // namespace zanto::test
