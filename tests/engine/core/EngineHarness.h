#pragma once
// A test's view of the engine: a component with the media libraries loaded, the OnTerminate
// events collected, and waiting (with the main thread pumping) for the batch to end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "engine/FFmpegEngine.h"
#include "media/MediaLogger.h"
#include "platform/MainThread.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace zanto::engine::test {

class EngineHarness {
 public:
  EngineHarness() {
    EXPECT_TRUE(Engine.LoadMediaLibraries("")) << Engine.LastError();
    Engine.SetOnTerminate([this](TCustomFFmpegEngine*, TTerminateInfo info) {
      std::lock_guard lock(Mutex);
      Terminations.push_back(info);
    });
  }
  ~EngineHarness() {
    // The batch's end may still be on its way to the handler, which records into this object.
    if (Engine.Working()) {
      if (!Engine.AllTerminated()) Engine.Stop(true);
      WaitForBatch();
    }
  }

  // Waits (pumping synchronised calls) until the batch event arrived; generous time-out.
  bool WaitForBatch(std::chrono::seconds timeout = std::chrono::seconds(120)) {
    return platform::TMainThread::WaitPumping([this] { return BatchDone(); },
                                              std::chrono::duration_cast<std::chrono::milliseconds>(timeout));
  }
  // The batch event and every task's event arrived (they come from separate threads, so the
  // batch event may overtake the last task's).
  bool BatchDone() {
    const size_t tasks = static_cast<size_t>(Engine.TaskCount());
    std::lock_guard lock(Mutex);
    bool batch = false;
    for (const auto& t : Terminations) batch |= t.TaskIndex == -1;
    return batch && Terminations.size() >= tasks + 1;
  }
  std::vector<TTerminateInfo> Events() {
    std::lock_guard lock(Mutex);
    return Terminations;
  }
  // The terminate event of one task (Exception True with "missing" when there was none).
  TTerminateInfo EventOf(int taskIndex) {
    std::lock_guard lock(Mutex);
    for (const auto& t : Terminations)
      if (t.TaskIndex == taskIndex) return t;
    return TTerminateInfo{taskIndex, false, true, "missing"};
  }

  // One task: input -> output with the record, run on a conversion thread to its end.
  TTerminateInfo Convert(const std::string& input, const std::string& output,
                         const TOutputOptions& options) {
    const int task = Engine.AddTask(input, nullptr);
    if (task < 0) return TTerminateInfo{-2, false, true, Engine.LastError()};
    if (!Engine.SetOutputFile(task, output, &options))
      return TTerminateInfo{-3, false, true, Engine.LastError()};
    Engine.StartTask(1);
    EXPECT_TRUE(WaitForBatch());
    return EventOf(task);
  }

  TFFmpegEngine Engine;
  std::mutex Mutex;  // guards Terminations
  std::vector<TTerminateInfo> Terminations;
};

// Collects the engine's log lines while alive.
class LogCapture {
 public:
  LogCapture() {
    auto& logger = media::GetLogger();
    logger.SetTriggerEventInMainThread(false);
    logger.SetLogLevel(media::llInfo);
    logger.SetOnLog([this](const void*, uint64_t, media::TLogLevel, const std::string& line) {
      std::lock_guard lock(Mutex_);
      Lines_.push_back(line);
    });
  }
  ~LogCapture() { media::GetLogger().SetOnLog(nullptr); }
  bool Contains(const std::string& text) {
    std::lock_guard lock(Mutex_);
    for (const auto& line : Lines_)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

 private:
  std::mutex Mutex_;
  std::vector<std::string> Lines_;
};

// "name=value" lines joined as option text.
inline std::string OptionText(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

}  // namespace zanto::engine::test
