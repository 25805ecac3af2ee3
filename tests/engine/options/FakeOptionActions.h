#pragma once
// A stand-in for the task core: records what the dispatcher asked of it, and creates streams the
// way the task does (taking and clearing the kind's codec name and copy flag from the state).
#include <string>
#include <vector>

#include "engine/OptionParser.h"

namespace zanto::test {

struct TCreatedStream {
  char Kind;          // 'v', 'a', 's'
  std::string Codec;  // the codec name in force when the stream was created
  bool Copy = false;
  int Width = 0, Height = 0;
  std::string Filters;
  int64_t BitRate = 0;  // the generic context's rate of that kind at creation
};

class TFakeOptionActions : public engine::IOptionActions {
 public:
  explicit TFakeOptionActions(engine::TOptionState& state) : State(state) {}

  void Log(media::TLogLevel level, const std::string& text) override { Logs.push_back({level, text}); }
  int InputFileCount() const override { return Inputs; }
  int OutputFileCount() const override { return Outputs; }
  std::vector<AVRational> InputVideoFrameRates() const override { return VideoRates; }
  void NewVideoStream() override { Create('v'); }
  void NewAudioStream() override { Create('a'); }
  void NewSubtitleStream() override { Create('s'); }
  void SetTotalDuration(int64_t durationUs) override { TotalDurationUs = durationUs; }

  // Opens like the task: one stream per kind that has a codec name (or copy), unless disabled.
  bool OpenOutputFile(const std::string& fileName, bool join) override {
    OpenedFiles.push_back(fileName);
    LastJoin = join;
    if (!OpenSucceeds) return false;
    ++Outputs;
    if (!State.VideoDisable && (!State.VideoCodecName.empty() || State.VideoStreamCopy)) Create('v');
    if (!State.AudioDisable && (!State.AudioCodecName.empty() || State.AudioStreamCopy)) Create('a');
    if (!State.SubtitleDisable && (!State.SubtitleCodecName.empty() || State.SubtitleStreamCopy)) Create('s');
    return true;
  }

  bool Logged(const std::string& text) const {
    for (const auto& line : Logs)
      if (line.Text == text) return true;
    return false;
  }

  struct TLogLine {
    media::TLogLevel Level;
    std::string Text;
  };

  engine::TOptionState& State;
  std::vector<TLogLine> Logs;
  int Inputs = 0;
  int Outputs = 0;
  std::vector<AVRational> VideoRates;
  int64_t TotalDurationUs = -1;
  std::vector<std::string> OpenedFiles;
  bool LastJoin = false;
  bool OpenSucceeds = true;
  std::vector<TCreatedStream> Streams;

 private:
  void Create(char kind) {
    TCreatedStream s{kind, {}, false, State.FrameWidth, State.FrameHeight, State.VideoFilters, 0};
    const AVMediaType type = kind == 'v' ? AVMEDIA_TYPE_VIDEO : kind == 'a' ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_SUBTITLE;
    s.BitRate = State.Generic.CodecContext(type)->bit_rate;
    std::string& name = kind == 'v' ? State.VideoCodecName : kind == 'a' ? State.AudioCodecName : State.SubtitleCodecName;
    bool& copy = kind == 'v' ? State.VideoStreamCopy : kind == 'a' ? State.AudioStreamCopy : State.SubtitleStreamCopy;
    s.Codec = name;
    s.Copy = copy;
    name.clear();
    copy = false;
    Streams.push_back(s);
  }
};

}  // namespace zanto::test
