// The batch driver against the real engine, the shipped format data and generated fixtures.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <atomic>

#include <filesystem>

#include "app/AddFiles.h"
#include "app/BatchDriver.h"
#include "formats/OptionBuilder.h"
#include "media/MediaProbe.h"
#include "media/MediaLoader.h"
#include "platform/MainThread.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "support/FFprobe.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace zanto::app {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kIpodMpeg4 = 2;  // mpeg4 320x240 + aac, fast to encode
constexpr int kMp3 = 300;

QGuiApplication& Gui() {
  static int argc = 1;
  static char name[] = "batch_tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
  return app;
}

class BatchTest : public testing::Test {
 protected:
  void SetUp() override {
    Gui();
    fs::copy_file(test::DataDir() + "/zantowmvmp4converter.default.ini", dir_.File("s.ini"));
    settings_.SetOutPutDir(dir_.File("out"));
    SetFormat(kIpodMpeg4);
    std::string error;
    ASSERT_TRUE(engine_.LoadMediaLibraries(""));
    previousOpen_ = platform::TShell::SetOpenHandler([this](const std::string& t) {
      opened_.push_back(t);
      return true;
    });
    previousPower_ = platform::TShell::SetPowerOffHandler([this] { ++powerOffs_; });
  }
  void TearDown() override {
    platform::TShell::SetOpenHandler(previousOpen_);
    platform::TShell::SetPowerOffHandler(previousPower_);
  }
  void SetFormat(int code) { settings_.Ini().WriteInteger("settings", "FormatCode", code); }
  int AddRow(const std::string& fixture) {
    return list_.Add(test::Fixture(fixture), -1, "", "lbox");
  }
  // Starts and waits until the batch is idle again.
  bool RunBatch() {
    if (!driver_.Start()) return false;
    EXPECT_TRUE(platform::TMainThread::WaitPumping([&] { return driver_.State() == bsIdle; }, 180s));
    return true;
  }
  std::vector<std::string> OutputFiles() { return test::FileNamesIn(dir_.File("out")); }

  test::TempDir dir_;
  TSettings settings_{dir_.File("s.ini")};
  formats::TFormatStore store_{dir_.File("s.ini"), test::DataDir() + "/zantowmvmp4format.ini"};
  engine::TFFmpegEngine engine_;
  TFileList list_;
  TBatchDriver driver_{engine_, list_, settings_, store_};
  std::vector<std::string> opened_;
  int powerOffs_ = 0;
  platform::TShell::OpenHandler previousOpen_;
  platform::TShell::PowerOffHandler previousPower_;
};

TEST_F(BatchTest, AddingFilesProbesThemAndSkipsWhatCannotBeAdded) {
  const std::string clip = test::Fixture("clip.mp4");
  // A file of the same name but other letter case is another file.
  const std::string upper = dir_.File("CLIP.mp4");
  fs::copy_file(clip, upper);
  fs::create_directories(dir_.File("out"));
  test::WriteFileBytes(dir_.File("out/clip_(new)_ipod.mp4"), "taken");
  const int added = AddFilesToList(engine_, list_, settings_, store_,
                                   {clip, test::FixtureDir(), test::Fixture("text.mp4"),
                                    dir_.File("missing.mp4"), clip, upper, test::Fixture("audio.mp3")});
  EXPECT_EQ(added, 3);
  ASSERT_EQ(list_.Count(), 3);
  EXPECT_EQ(list_.Row(0).Caption, clip);
  EXPECT_EQ(list_.Row(1).Caption, upper);
  EXPECT_EQ(list_.Row(0).SubItems[colLength], "2");
  EXPECT_EQ(list_.Row(0).SubItems[colTrimmedLength], "2");
  EXPECT_EQ(list_.Row(0).SubItems[colDestination], "clip_(new_1)_ipod.mp4");
  EXPECT_EQ(list_.Row(0).SubItems[colProgress], "");
  EXPECT_TRUE(list_.Row(2).Checked);
  EXPECT_EQ(list_.Selected(), -1);
  EXPECT_EQ(engine_.TaskCount(), 0);
  // Adding the same file again changes nothing.
  EXPECT_EQ(AddFilesToList(engine_, list_, settings_, store_, {clip}), 0);
}

TEST_F(BatchTest, NoCheckedRowWarnsAndStartsNothing) {
  AddRow("clip.mp4");
  list_.UncheckAll();
  std::vector<platform::TMessageBoxRequest> shown;
  platform::TScopedMessageBoxHandler handler([&](const platform::TMessageBoxRequest& r) {
    shown.push_back(r);
    return platform::IDOK;
  });
  EXPECT_FALSE(driver_.Start());
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text, "Please select a file by clicking the check box!");
  EXPECT_EQ(shown[0].Caption, "Warning");
  EXPECT_EQ(driver_.State(), bsIdle);
}

TEST_F(BatchTest, UncheckedMiddleRowMakesTwoTasksForTheRightRows) {
  AddRow("clip.mp4");
  AddRow("clip.avi");
  AddRow("clip.mkv");
  list_.Row(1).Checked = false;
  list_.Row(1).SubItems[colProgress] = "37%";  // a cell of an earlier batch stays as it was
  driver_.Progress().ShutDownAfter = true;
  ASSERT_TRUE(RunBatch());
  EXPECT_EQ(driver_.CheckedRows(), (std::vector<int>{0, 2}));
  EXPECT_EQ(list_.Row(0).SubItems[colProgress], "100%");
  EXPECT_EQ(list_.Row(1).SubItems[colProgress], "37%");
  EXPECT_EQ(list_.Row(2).SubItems[colProgress], "100%");
  // Two sources called "clip" get two names.
  EXPECT_EQ(OutputFiles(), (std::vector<std::string>{"clip_(new).mp4", "clip_(new_1).mp4"}));
  for (const auto& name : OutputFiles()) {
    const auto probe = test::FFprobe(dir_.File("out/" + name));
    ASSERT_TRUE(probe.Ok) << name;
    ASSERT_NE(probe.First("video"), nullptr);
    EXPECT_EQ(probe.First("video")->CodecName, "mpeg4");
    EXPECT_EQ(probe.First("video")->Width, 320);
    EXPECT_EQ(probe.First("audio")->CodecName, "aac");
  }
  // The last task finished: the folder is opened and the machine told to power off.
  EXPECT_EQ(opened_, std::vector<std::string>{dir_.File("out")});
  EXPECT_EQ(powerOffs_, 1);
  EXPECT_EQ(engine_.TaskCount(), 0);  // cleared at the end of the batch
}

TEST_F(BatchTest, AFailingLastTaskRunsNoAfterConversionAction) {
  SetFormat(kMp3);
  AddRow("clip.mp4");
  AddRow("video_only.mp4");  // nothing for an audio format to write
  driver_.Progress().ShutDownAfter = true;
  ASSERT_TRUE(RunBatch());
  ASSERT_EQ(driver_.Results().size(), 2u);
  EXPECT_TRUE(driver_.Results()[0].Finished);
  EXPECT_TRUE(driver_.Results()[1].Failed);
  EXPECT_EQ(driver_.Results()[1].Message, "Output file #0 does not contain any stream");
  EXPECT_TRUE(opened_.empty());
  EXPECT_EQ(powerOffs_, 0);
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{"clip_(new).mp3"});  // no empty file left
}

TEST_F(BatchTest, AnUnreadableRowEndsTheStartWithItsError) {
  AddRow("clip.mp4");
  AddRow("text.mp4");
  EXPECT_THROW(driver_.Start(), std::exception);
  EXPECT_EQ(driver_.State(), bsIdle);
  EXPECT_TRUE(OutputFiles().empty());
}

TEST_F(BatchTest, SkippingUnreadableRowsConvertsTheOthers) {
  AddRow("clip.mp4");
  AddRow("text.mp4");
  AddRow("audio.mp3");
  TBatchDriver::TOptions options;
  options.SkipUnreadableRows = true;
  driver_.SetOptions(options);
  ASSERT_TRUE(RunBatch());
  ASSERT_EQ(driver_.SkippedResults().size(), 1u);
  EXPECT_EQ(driver_.SkippedResults()[0].Row, 1);
  EXPECT_EQ(driver_.CheckedRows(), (std::vector<int>{0, 2}));
  EXPECT_TRUE(driver_.Results()[0].Finished && driver_.Results()[1].Finished);
}

TEST_F(BatchTest, CancellingDuringTheFirstOfThreeLeavesNoEmptyFiles) {
  AddRow("clip_30fps.mp4");
  AddRow("clip.avi");
  AddRow("clip.mkv");
  list_.Row(2).SubItems[colProgress] = "12%";
  // The first task holds still at its tenth frame: on a fast machine a two-second clip may
  // otherwise be done before any progress report reaches the window. Then cancel as the
  // progress window's button does.
  std::atomic<bool> held{false};
  engine_.SetOnCustomHook([&](engine::TCustomFFmpegEngine*, engine::PHookInfo info) {
    info->Update = false;
    if (info->TaskIndex == 0 && info->FrameNumber == 10) {
      engine_.Pause();
      held = true;
    }
  });
  ASSERT_TRUE(driver_.Start());
  ASSERT_TRUE(platform::TMainThread::WaitPumping([&] { return held || driver_.State() == bsIdle; }, 180s));
  ASSERT_TRUE(held);
  driver_.Cancel();
  EXPECT_EQ(driver_.State(), bsIdle);
  ASSERT_EQ(driver_.Results().size(), 3u);
  EXPECT_FALSE(driver_.Results()[0].Finished);
  EXPECT_FALSE(driver_.Results()[1].Finished);
  EXPECT_FALSE(driver_.Results()[2].Finished);
  EXPECT_EQ(list_.Row(2).SubItems[colProgress], "12%");
  EXPECT_TRUE(opened_.empty());
  // Only the stopped first file may remain, and then it is a playable file.
  for (const auto& name : OutputFiles()) {
    EXPECT_EQ(name, "clip_30fps_(new).mp4");
    EXPECT_GT(fs::file_size(dir_.File("out/" + name)), 0u);
    EXPECT_TRUE(test::FFprobe(dir_.File("out/" + name)).Ok);
  }
}

TEST_F(BatchTest, CancelFromInsideAProgressEventDoesNotDeadLock) {
  AddRow("clip_30fps.mp4");
  AddRow("clip.avi");
  // The progress event runs while its conversion thread waits for it; stopping from there
  // must not wait for that thread.
  driver_.OnProgressChanged = [&] { driver_.Cancel(); };
  ASSERT_TRUE(driver_.Start());
  ASSERT_TRUE(platform::TMainThread::WaitPumping([&] { return driver_.State() == bsIdle; }, 180s));
  EXPECT_FALSE(driver_.Results()[1].Finished);
}

TEST_F(BatchTest, TheTrimEndIsHonoured) {
  AddRow("clip_30fps.mp4");
  list_.Row(0).Record->TrimStart = 500'000;
  list_.Row(0).Record->TrimLength = 1'000'000;
  ASSERT_TRUE(RunBatch());
  const auto probe = test::FFprobe(dir_.File("out/clip_30fps_(new).mp4"));
  ASSERT_TRUE(probe.Ok);
  const auto* video = probe.First("video");
  ASSERT_NE(video, nullptr);
  EXPECT_NEAR(video->Duration, 1.0, 1.0 / 25 + 0.001);
}

TEST_F(BatchTest, RowsWithoutEditsConvertAsWithoutTheHook) {
  // The same file converted with a row that has no edits, and straight through the engine
  // without the hook: the encoded streams are identical.
  AddRow("clip.mp4");
  ASSERT_TRUE(RunBatch());
  const std::string viaDriver = dir_.File("out/clip_(new).mp4");

  engine::TInputOptions in;
  engine::TOutputOptions out;
  formats::TRowEdits edits;
  media::TMediaProbe& probe = engine_.MediaProbe();
  ASSERT_TRUE(probe.LoadFile(test::Fixture("clip.mp4"), ""));
  formats::TSourceVideo source;
  source.VideoStreamCount = 1;
  source.Width = 320;
  source.Height = 240;
  out.FileName = dir_.File("direct.mp4");
  formats::BuildConversionOptions(store_, kIpodMpeg4, edits, source, out, in);
  probe.CloseFile();
  engine::TFFmpegEngine plain;
  const int task = plain.AddTask(test::Fixture("clip.mp4"), &in);
  ASSERT_GE(task, 0);
  ASSERT_TRUE(plain.SetOutputFile(task, out.FileName, &out));
  plain.StartTask(0);  // synchronous

  std::string a, b;
  ASSERT_EQ(test::RunCommand("ffmpeg -v error -i " + test::ShellQuote(viaDriver) + " -map 0:v -c copy -f md5 -", &a), 0);
  ASSERT_EQ(test::RunCommand("ffmpeg -v error -i " + test::ShellQuote(out.FileName) + " -map 0:v -c copy -f md5 -", &b), 0);
  EXPECT_EQ(a, b);
}

TEST_F(BatchTest, EditsReachTheEncodedFrames) {
  AddRow("clip.mp4");
  list_.Row(0).Record->Render.Brightness = 0;  // black frames
  ASSERT_TRUE(RunBatch());
  std::string stats;
  ASSERT_EQ(test::RunCommand("ffmpeg -nostdin -v info -i " + test::ShellQuote(dir_.File("out/clip_(new).mp4")) +
                                 " -vf signalstats,metadata=print:key=lavfi.signalstats.YAVG -f null - 2>&1",
                             &stats),
            0);
  // Every frame's mean luma is at black level.
  size_t pos = 0;
  int frames = 0;
  while ((pos = stats.find("YAVG=", pos)) != std::string::npos) {
    EXPECT_LT(std::stod(stats.substr(pos + 5)), 20.0);
    ++frames;
    pos += 5;
  }
  EXPECT_GT(frames, 10);
}

TEST_F(BatchTest, PriorityMapIgnoresUnknownValues) {
  EXPECT_EQ(PriorityFromSetting(0), engine::tpIdle);
  EXPECT_EQ(PriorityFromSetting(1), engine::tpNormal);
  EXPECT_EQ(PriorityFromSetting(2), engine::tpLower);
  EXPECT_EQ(PriorityFromSetting(3), engine::tpLowest);
  EXPECT_FALSE(PriorityFromSetting(7).has_value());
  settings_.SetPriority(7);
  engine_.SetThreadPriority(engine::tpLower);
  AddRow("clip.mp4");
  ASSERT_TRUE(RunBatch());
  EXPECT_EQ(engine_.ThreadPriority(), engine::tpLower);
}

}  // namespace
}  // namespace zanto::app
