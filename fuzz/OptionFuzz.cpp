// Arbitrary option text through the parser and the dispatcher. The first byte picks the way in:
// input options, output options, single SetOption calls, or a whole output record whose
// ExtOptions is the text. A bad value may raise FFmpegException (the user's message); anything
// else escaping, a crash or a sanitizer report is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzOptionActions.h"
#include "engine/OptionParser.h"
#include "engine/OptionText.h"
#include "media/MediaLogger.h"

using namespace zanto;

namespace {

// "vhook" loads a shared library named by the value: never from fuzzed text.
std::string WithoutLibraryLoads(const std::string& text) {
  std::string kept;
  for (const auto& line : engine::ParseOptionText(text)) {
    if (line.Name.find("vhook") != std::string::npos) continue;
    kept += line.Name + "=" + line.Value + "\n";
  }
  return kept;
}

void Run(uint8_t mode, const std::string& text) {
  engine::TOptionState state;
  ResetOptions(state);
  fuzz::TFuzzOptionActions actions(state);
  switch (mode % 4) {
    case 0:
      engine::ApplyOptionText(state, actions, text, true);
      break;
    case 1:
      engine::ApplyOptionText(state, actions, text, false);
      break;
    case 2:
      for (const auto& line : engine::ParseOptionText(text)) engine::SetOption(state, actions, line.Name, line.Value);
      break;
    default: {
      engine::TOutputOptions options;
      engine::InitOutputOptions(options);
      options.VideoCodec = "mpeg4";
      options.AudioCodec = "mp2";
      options.FrameSize = "64x48";
      options.ExtOptions = text;
      engine::ApplyOutputOptions(state, actions, "out.mp4", &options);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  media::GetLogger().SetLogLevel(media::llQuiet);
  av_log_set_level(AV_LOG_QUIET);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text = WithoutLibraryLoads(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  try {
    Run(data[0], text);
  } catch (const engine::FFmpegException&) {
    // The user's message for a bad value: the expected way out.
  }
  return 0;
}
