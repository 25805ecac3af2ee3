#pragma once
// The task side of the option dispatcher for the fuzzer: counts files, creates nothing real,
// keeps no log. Opening an output always succeeds, so the options that need an output
// ("newvideo", "map" checks...) are reached too.
#include <string>
#include <vector>

#include "engine/OptionParser.h"

namespace zanto::fuzz {

class TFuzzOptionActions : public engine::IOptionActions {
 public:
  explicit TFuzzOptionActions(engine::TOptionState& state) : State_(state) {}

  void Log(media::TLogLevel, const std::string&) override {}
  int InputFileCount() const override { return Inputs; }
  int OutputFileCount() const override { return Outputs; }
  std::vector<AVRational> InputVideoFrameRates() const override { return {{30000, 1001}}; }
  // A new stream consumes its kind's part of the state, as the task does.
  void NewVideoStream() override { Consume(State_.VideoCodecName, State_.VideoStreamCopy); }
  void NewAudioStream() override { Consume(State_.AudioCodecName, State_.AudioStreamCopy); }
  void NewSubtitleStream() override { Consume(State_.SubtitleCodecName, State_.SubtitleStreamCopy); }
  void SetTotalDuration(int64_t) override {}
  bool OpenOutputFile(const std::string&, bool) override {
    ++Outputs;
    return true;
  }

  int Inputs = 1;
  int Outputs = 0;

 private:
  static void Consume(std::string& codec, bool& copy) {
    codec.clear();
    copy = false;
  }
  engine::TOptionState& State_;
};

}  // namespace zanto::fuzz
