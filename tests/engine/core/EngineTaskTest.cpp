// The component around the tasks: the task list's state machine, the batch and its events,
// stopping, pausing, and waiting on the main thread while handlers synchronise.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "EngineHarness.h"
#include "engine/ConvertThread.h"
#include "support/FFprobe.h"

namespace zanto::engine::test {
namespace {

using platform::TMainThread;
using zanto::test::Fixture;
using zanto::test::TempDir;

TOutputOptions Mpeg4Output() {
  TOutputOptions options;
  options.VideoCodec = "mpeg4";
  options.AudioCodec = "aac";
  return options;
}

TEST(EngineTasks, EmptyBatchEndsAtOnceAndWorkingRulesHold) {
  EngineHarness h;
  h.Engine.StartTask(1);
  ASSERT_TRUE(h.WaitForBatch());
  ASSERT_EQ(h.Events().size(), 1u);
  EXPECT_EQ(h.Events()[0].TaskIndex, -1);
  EXPECT_TRUE(h.Events()[0].Finished);
  EXPECT_TRUE(h.Engine.AllTerminated());
  // Still working until ClearTasks: every listed operation names itself.
  try {
    h.Engine.AddTask(Fixture("clip.mp4"));
    FAIL() << "AddTask while working";
  } catch (const FFmpegException& e) {
    EXPECT_STREQ(e.what(), "Cannot AddTask while working.");
  }
  EXPECT_THROW(h.Engine.StartTask(1), FFmpegException);
  EXPECT_THROW(h.Engine.RemoveTask(0), FFmpegException);
  try {
    h.Engine.SetOutputFile(0, "x.mp4");
    FAIL() << "SetOutputFile while working";
  } catch (const FFmpegException& e) {
    EXPECT_STREQ(e.what(), "Cannot SetOutputFile while working.");
  }
  h.Engine.ClearTasks();
  EXPECT_FALSE(h.Engine.Working());
  EXPECT_EQ(h.Engine.AddTask(Fixture("clip.mp4")), 0);
}

TEST(EngineTasks, ClearTasksRefusedWhileBatchRuns) {
  EngineHarness h;
  TempDir dir;
  std::atomic<bool> release{false};
  h.Engine.SetOnCustomHook([&](TCustomFFmpegEngine*, PHookInfo info) {
    info->Update = false;
    while (!release) std::this_thread::yield();
  });
  auto options = Mpeg4Output();
  options.CustomHook = true;
  const int task = h.Engine.AddTask(Fixture("clip.mp4"));
  ASSERT_TRUE(h.Engine.SetOutputFile(task, dir.File("a.mp4"), &options));
  h.Engine.StartTask(1);
  try {
    h.Engine.ClearTasks();
    ADD_FAILURE() << "ClearTasks while working";
  } catch (const FFmpegException& e) {
    EXPECT_STREQ(e.what(), "Cannot ClearTasks while working.");
  }
  release = true;
  ASSERT_TRUE(h.WaitForBatch());
  h.Engine.ClearTasks();
  EXPECT_EQ(h.Engine.TaskCount(), 0);
}

TEST(EngineTasks, PropertiesAndOpenFailures) {
  EngineHarness h;
  h.Engine.SetProgressInterval(50);
  EXPECT_EQ(h.Engine.ProgressInterval(), 100);
  EXPECT_EQ(h.Engine.Version(), "3.3");

  TempDir dir;
  const std::string missing = dir.File("missing.mp4");
  EXPECT_EQ(h.Engine.AddTask(missing), -1);
  EXPECT_EQ(h.Engine.LastError(), missing + ": No such file or directory");
  EXPECT_EQ(h.Engine.TaskCount(), 0);

  const int task = h.Engine.AddTask(Fixture("clip.mp4"));
  ASSERT_EQ(task, 0);
  EXPECT_GT(h.Engine.TaskProbe(0, 0).StreamCount(), 1);
  EXPECT_THROW(h.Engine.TaskProbe(3, 0), std::out_of_range);
  EXPECT_THROW(h.Engine.SetOutputFile(5, dir.File("x.mp4")), std::out_of_range);

  // Output declarations: an unknown extension, an unwritable folder, the 21st output.
  EXPECT_FALSE(h.Engine.SetOutputFile(task, dir.File("out.unknownext")));
  EXPECT_EQ(h.Engine.LastError(),
            "Unable to find a suitable output format for '" + dir.File("out.unknownext") + "'");
  // The source is never the destination (nothing runs here, so nothing could be overwritten).
  EXPECT_FALSE(h.Engine.SetOutputFile(task, Fixture("clip.mp4")));
  EXPECT_EQ(h.Engine.LastError(), Fixture("clip.mp4") + ": the output file is an input file of the task");
  const std::string noFolder = dir.File("no/such/folder/out.mp4");
  EXPECT_FALSE(h.Engine.SetOutputFile(task, noFolder));
  EXPECT_EQ(h.Engine.LastError(), noFolder + ": No such file or directory");
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(h.Engine.SetOutputFile(task, dir.File("o" + std::to_string(i) + ".mp4"))) << h.Engine.LastError();
  EXPECT_FALSE(h.Engine.SetOutputFile(task, dir.File("o20.mp4")));
  EXPECT_EQ(h.Engine.LastError(), "max output files 20 reached");
  // Outputs are created when the task runs, not when they are declared.
  EXPECT_FALSE(std::filesystem::exists(dir.File("o0.mp4")));
}

TEST(EngineTasks, ThreeTasksRunInTurnWithFourTerminateEvents) {
  EngineHarness h;
  TempDir dir;
  std::mutex mutex;
  std::vector<int> hookedTasks;  // the task of every hooked frame, in order
  h.Engine.SetOnCustomHook([&](TCustomFFmpegEngine*, PHookInfo info) {
    info->Update = false;
    std::lock_guard lock(mutex);
    hookedTasks.push_back(info->TaskIndex);
  });
  auto options = Mpeg4Output();
  options.CustomHook = true;
  for (int i = 0; i < 3; ++i) {
    const int task = h.Engine.AddTask(Fixture("clip.mp4"));
    ASSERT_EQ(task, i);
    ASSERT_TRUE(h.Engine.SetOutputFile(task, dir.File("t" + std::to_string(i) + ".mp4"), &options));
  }
  h.Engine.StartTask(1);
  ASSERT_TRUE(h.WaitForBatch());
  ASSERT_EQ(h.Events().size(), 4u);
  for (int i = 0; i < 3; ++i) {
    const auto e = h.EventOf(i);
    EXPECT_TRUE(e.Finished) << e.ExceptionMsg;
    EXPECT_FALSE(e.Exception);
    EXPECT_EQ(zanto::test::FFprobe(dir.File("t" + std::to_string(i) + ".mp4")).Count("video"), 1);
  }
  EXPECT_TRUE(h.EventOf(-1).Finished);
  // One after another: all frames of task 0, then task 1, then task 2.
  std::lock_guard lock(mutex);
  ASSERT_EQ(hookedTasks.size(), 150u);
  EXPECT_TRUE(std::is_sorted(hookedTasks.begin(), hookedTasks.end()));
}

TEST(EngineTasks, FailingTaskDoesNotEndTheBatch) {
  EngineHarness h;
  TempDir dir;
  const auto options = Mpeg4Output();
  ASSERT_EQ(h.Engine.AddTask(Fixture("clip.mp4")), 0);  // no output
  ASSERT_EQ(h.Engine.AddTask(Fixture("clip.mp4")), 1);
  ASSERT_TRUE(h.Engine.SetOutputFile(1, dir.File("ok.mp4"), &options));
  h.Engine.StartTask(1);
  ASSERT_TRUE(h.WaitForBatch());
  const auto first = h.EventOf(0);
  EXPECT_TRUE(first.Exception);
  EXPECT_FALSE(first.Finished);
  EXPECT_EQ(first.ExceptionMsg, "At least one output file must be specified");
  EXPECT_TRUE(h.EventOf(1).Finished) << h.EventOf(1).ExceptionMsg;
  EXPECT_TRUE(h.EventOf(-1).Finished);
}

// Stop(True) during the first of three tasks: the first ends unfinished with a playable file,
// the two others end without running and leave no file behind.
TEST(EngineTasks, StopDuringFirstOfThreeTasks) {
  EngineHarness h;
  TempDir dir;
  std::atomic<int> frames{0};
  std::atomic<bool> stopping{false};
  h.Engine.SetOnCustomHook([&](TCustomFFmpegEngine*, PHookInfo info) {
    info->Update = false;
    ++frames;
    // Hold the conversion at frame 10 until the test has asked for the stop.
    if (info->FrameNumber == 10)
      while (!stopping) std::this_thread::yield();
  });
  auto options = Mpeg4Output();
  options.CustomHook = true;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(h.Engine.AddTask(Fixture("clip.mp4")), i);
    ASSERT_TRUE(h.Engine.SetOutputFile(i, dir.File("s" + std::to_string(i) + ".mp4"), &options));
  }
  h.Engine.StartTask(1);
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return frames >= 10; }, std::chrono::seconds(60)));
  stopping = true;
  h.Engine.Stop(true);
  ASSERT_TRUE(h.WaitForBatch());
  const auto first = h.EventOf(0);
  EXPECT_FALSE(first.Finished);
  EXPECT_FALSE(first.Exception) << first.ExceptionMsg;
  for (int i = 1; i < 3; ++i) {
    EXPECT_FALSE(h.EventOf(i).Finished);
    EXPECT_FALSE(h.EventOf(i).Exception);
    EXPECT_FALSE(std::filesystem::exists(dir.File("s" + std::to_string(i) + ".mp4")));
  }
  // The last task's event and the batch event come from two threads, in either order.
  EXPECT_TRUE(h.EventOf(-1).Finished);
  EXPECT_EQ(h.Events().size(), 4u);
  // The stopped output got its trailer: it plays, and ends well before the input's 2 s.
  const auto probe = zanto::test::FFprobe(dir.File("s0.mp4"));
  ASSERT_TRUE(probe.Ok);
  ASSERT_NE(probe.First("video"), nullptr);
  EXPECT_LT(probe.Duration, 1.9);
}

// A handler that synchronises with the main thread while the main thread stops the batch:
// Stop(True) keeps running synchronised calls, so neither waits for the other for ever.
TEST(EngineTasks, StopFromMainThreadWhileHandlerSynchronises) {
  EngineHarness h;
  TempDir dir;
  std::atomic<int> frames{0};
  std::atomic<int> synchronised{0};
  h.Engine.SetOnCustomHook([&](TCustomFFmpegEngine*, PHookInfo info) {
    info->Update = false;
    ++frames;
    TMainThread::Synchronize([&] { ++synchronised; });
  });
  std::atomic<int> progress{0};
  h.Engine.SetProgressInterval(100);
  h.Engine.SetOnProgress([&](TCustomFFmpegEngine*, PProgressInfo info) {
    EXPECT_TRUE(TMainThread::IsMainThread());
    EXPECT_EQ(info->TaskIndex, 0);
    ++progress;
  });
  auto options = Mpeg4Output();
  options.CustomHook = true;
  ASSERT_EQ(h.Engine.AddTask(Fixture("clip.mp4")), 0);
  ASSERT_TRUE(h.Engine.SetOutputFile(0, dir.File("sync.mp4"), &options));
  h.Engine.StartTask(1);
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return frames >= 3; }, std::chrono::seconds(60)));
  h.Engine.Stop(true);  // a dead-lock here ends the test by its time-out
  ASSERT_TRUE(h.WaitForBatch());
  EXPECT_GE(synchronised.load(), 3);
}

TEST(EngineTasks, PausedTaskResumesWhereItStopped) {
  EngineHarness h;
  TempDir dir;
  std::atomic<int> frames{0};
  std::atomic<bool> paused{false};
  h.Engine.SetOnCustomHook([&](TCustomFFmpegEngine*, PHookInfo info) {
    info->Update = false;
    if (++frames == 5)
      while (!paused) std::this_thread::yield();
  });
  auto options = Mpeg4Output();
  options.CustomHook = true;
  ASSERT_EQ(h.Engine.AddTask(Fixture("clip.mp4")), 0);
  ASSERT_TRUE(h.Engine.SetOutputFile(0, dir.File("pause.mp4"), &options));
  h.Engine.StartTask(1);
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return frames >= 5; }, std::chrono::seconds(60)));
  h.Engine.Pause();
  paused = true;
  h.Engine.Resume();
  ASSERT_TRUE(h.WaitForBatch());
  EXPECT_TRUE(h.EventOf(0).Finished) << h.EventOf(0).ExceptionMsg;
  EXPECT_EQ(frames.load(), 50);
  const auto probe = zanto::test::FFprobe(dir.File("pause.mp4"));
  ASSERT_NE(probe.First("video"), nullptr);
  EXPECT_EQ(probe.First("video")->NbFrames, 50);
}

TEST(EngineTasks, ProgressReportsWithTaskValues) {
  EngineHarness h;
  TempDir dir;
  std::vector<TProgressInfo> reports;
  h.Engine.SetProgressInterval(100);
  h.Engine.SetOnProgress([&](TCustomFFmpegEngine*, PProgressInfo info) { reports.push_back(*info); });
  const auto options = Mpeg4Output();
  ASSERT_EQ(h.Engine.AddTask(Fixture("clip.mp4")), 0);
  ASSERT_TRUE(h.Engine.SetOutputFile(0, dir.File("p.mp4"), &options));
  h.Engine.StartTask(1);
  ASSERT_TRUE(h.WaitForBatch());
  ASSERT_FALSE(reports.empty());
  const TProgressInfo& last = reports.back();
  EXPECT_EQ(last.FileIndex, -1);
  EXPECT_EQ(last.FrameNumber, 50);
  EXPECT_NEAR(last.TotalDuration, 2000000, 50000);
  EXPECT_NEAR(last.CurrentDuration, 2000000, 100000);
  EXPECT_GT(last.CurrentSize, 0);
  EXPECT_EQ(last.CurrentSize, static_cast<int64_t>(std::filesystem::file_size(dir.File("p.mp4"))));
}

// Conversion threads run at the chosen priority: a nice value, or the idle class.
TEST(EngineTasks, ThreadPrioritiesMapOntoTheScheduler) {
  struct Seen {
    int Nice = 0;
    int Policy = 0;
  };
  auto run = [](TThreadPriority priority) {
    Seen seen;
    std::thread([&] {
      ApplyThreadPriority(priority);
      seen.Nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
      seen.Policy = sched_getscheduler(0);
    }).join();
    return seen;
  };
  EXPECT_EQ(run(tpLower).Nice, 5);
  EXPECT_EQ(run(tpLowest).Nice, 15);
  EXPECT_EQ(run(tpIdle).Policy, SCHED_IDLE);
  EXPECT_EQ(run(tpNormal).Policy, SCHED_OTHER);
}

// Preview without windows of the engine's own: the host program's previewer gets the frames.
TEST(EngineTasks, PreviewGoesToTheHostPreviewer) {
  EngineHarness h;
  TempDir dir;
  std::atomic<int> shown{0};
  h.Engine.SetPreviewer([&](const platform::TBitmap24& bitmap, int64_t) {
    EXPECT_EQ(bitmap.Width(), 320);
    ++shown;
  });
  h.Engine.SetPreview(true);
  const auto options = Mpeg4Output();
  const auto result = h.Convert(Fixture("clip.mp4"), dir.File("pv.mp4"), options);
  ASSERT_TRUE(result.Finished) << result.ExceptionMsg;
  EXPECT_GE(shown.load(), 1);
}

}  // namespace
}  // namespace zanto::engine::test
