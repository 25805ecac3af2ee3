// Arbitrary bytes as a media file: the probe describes whatever it can open, and a short
// conversion (at most one second, to a tiny picture) runs on every file the probe opened. The
// engine runs the task on this thread (no conversion thread), so an input ends before the next.
// Failing is fine; a crash, a hang past the time-out or a sanitizer report is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/FFmpegEngine.h"
#include "media/MediaLogger.h"
#include "media/MediaProbe.h"
#include "platform/MainThread.h"

using namespace zanto;

namespace {

const std::string& Folder() {
  static const std::string folder = "/tmp/zanto-probe-fuzz-" + std::to_string(getpid());
  return folder;
}

void Describe(media::TMediaProbe& probe) {
  media::TFileStreamInfo file;
  probe.GetFileStreamInfo(file);
  for (int i = -1; i < probe.StreamCount(); ++i) {
    media::TVideoStreamInfo video;
    media::TAudioStreamInfo audio;
    (void)probe.GetVideoStreamInfo(i, video);
    (void)probe.GetAudioStreamInfo(i, audio);
    (void)probe.IsAudioStream(i);
    (void)probe.IsVideoStream(i);
  }
  (void)probe.FormatInfoText();
}

void Convert(engine::TFFmpegEngine& engine, const std::string& input) {
  const std::string output = Folder() + "/out.avi";
  std::remove(output.c_str());
  engine::TOutputOptions options;
  engine::InitOutputOptions(options);
  options.VideoCodec = "mpeg4";
  options.AudioCodec = "mp2";
  options.FrameSize = "32x24";
  options.AudioSampleRate = 22050;
  options.RecordingTime = 1000000;  // 1 s
  const int task = engine.AddTask(input, nullptr);
  if (task < 0) return;
  if (engine.SetOutputFile(task, output, &options)) engine.StartTask(0);  // returns at the end
  engine.ClearTasks();
  std::remove(output.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::TMainThread::SetMainThread();
  media::GetLogger().SetLogLevel(media::llQuiet);
  av_log_set_level(AV_LOG_QUIET);
  std::filesystem::create_directories(Folder());
  // The scratch folder goes with the process (a crash leaves it for the post-mortem).
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(Folder(), ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static engine::TFFmpegEngine engine;
  static const bool loaded = engine.LoadMediaLibraries("");
  if (!loaded) std::abort();
  const std::string input = Folder() + "/input.bin";
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  media::TMediaProbe probe;
  const bool opened = probe.LoadFile(input);
  if (opened) Describe(probe);
  probe.CloseFile();
  if (opened) Convert(engine, input);
  return 0;
}
