// Every built-in preset through a whole conversion: the engine converts a second of the test clip
// with libx264 and the preset named as the option builder names it; ffprobe reads the result.
#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "engine/BuiltinPresets.h"
#include "engine/FFmpegEngine.h"
#include "support/FFprobe.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace zanto::engine {
namespace {

struct TExpect {
  const char* Profile;
  int Level;  // -1: any
};

TEST(PresetConversion, EveryPresetConvertsAndDeviceRowsKeepTheirProfile) {
  const std::map<std::string, TExpect> expected = {
      {"libx264-baseline", {"Constrained Baseline", -1}}, {"libx264-main", {"Main", -1}},
      {"libx264-ipod320", {"Constrained Baseline", 13}},  {"libx264-ipod640", {"Constrained Baseline", 30}},
      {"libx264-ipod", {"Constrained Baseline", 30}},     {"libx264-psp", {"Main", 30}},
      {"libx264-ps3", {"Main", 30}},                      {"libx264-mp4", {"Main", 30}},
  };
  TFFmpegEngine engine;
  ASSERT_TRUE(engine.LoadMediaLibraries("")) << engine.LastError();
  std::mutex mutex;  // guards results
  std::vector<TTerminateInfo> results;
  engine.SetOnTerminate([&](TCustomFFmpegEngine*, TTerminateInfo info) {
    std::lock_guard lock(mutex);
    results.push_back(info);
  });
  test::TempDir dir;
  const std::string input = test::Fixture("clip.mp4");
  std::vector<std::string> outputs;
  for (const TOptionsPreset& row : BuiltinPresets()) {
    TOutputOptions options;
    options.VideoCodec = "libx264";
    options.VideoPreset = row.Name.substr(std::string("libx264-").size());
    options.AudioCodec = "aac";
    options.RecordingTime = 1000000;
    const int task = engine.AddTask(input, nullptr);
    ASSERT_GE(task, 0) << engine.LastError();
    outputs.push_back(dir.File(row.Name + ".mp4"));
    ASSERT_TRUE(engine.SetOutputFile(task, outputs.back(), &options)) << row.Name << ": " << engine.LastError();
  }
  engine.StartTask(0);  // every task here, one after another

  std::lock_guard lock(mutex);
  for (size_t i = 0; i < BuiltinPresets().size(); ++i) {
    const std::string& name = BuiltinPresets()[i].Name;
    SCOPED_TRACE(name);
    bool finished = false;
    for (const TTerminateInfo& info : results)
      if (info.TaskIndex == static_cast<int>(i)) {
        finished = info.Finished && !info.Exception;
        EXPECT_FALSE(info.Exception) << info.ExceptionMsg;
      }
    EXPECT_TRUE(finished);
    const test::ProbeResult probe = test::FFprobe(outputs[i]);
    ASSERT_TRUE(probe.Ok);
    const test::ProbeStream* video = probe.First("video");
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->CodecName, "h264");
    EXPECT_EQ(video->PixFmt, "yuv420p");
    EXPECT_NEAR(video->Duration, 1.0, 0.045);
    const auto it = expected.find(name);
    if (it == expected.end()) continue;
    EXPECT_EQ(video->Profile, it->second.Profile);
    if (it->second.Level >= 0) {
      EXPECT_EQ(video->Level, it->second.Level);
    }
  }
}

}  // namespace
}  // namespace zanto::engine
