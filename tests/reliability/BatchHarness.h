#pragma once
// A batch as the command line runs it (unreadable rows skipped), over the real engine and the
// shipped format data, with the checks every hostile case shares: no crash, a clear message for
// each failed file, the other files converted, the sources untouched, and no empty or broken
// output left behind.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "HostileFiles.h"
#include "app/BatchDriver.h"
#include "platform/MainThread.h"
#include "platform/Shell.h"
#include "support/FFprobe.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace zanto::test {

inline constexpr int kIpodMpeg4 = 2;  // mpeg4 320x240 + aac in MP4: quick to encode

inline QGuiApplication& Gui() {
  static int argc = 1;
  static char name[] = "reliability_tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
  return app;
}

// The end of one source file in a batch: converted, failed while converting, or left out.
struct TFileOutcome {
  bool Converted = false;
  bool Failed = false;
  bool Skipped = false;
  std::string Message;
  std::string Destination;
};

class BatchHarness : public testing::Test {
 protected:
  void SetUp() override {
    Gui();
    std::filesystem::copy_file(DataDir() + "/zantowmvmp4converter.default.ini", Dir.File("s.ini"));
    Settings.SetOutPutDir(OutDir());
    Settings.Ini().WriteInteger("settings", "FormatCode", kIpodMpeg4);
    ASSERT_TRUE(Engine.LoadMediaLibraries("")) << Engine.LastError();
    // The batch ends by opening the output folder: not on a test machine.
    PreviousOpen_ = platform::TShell::SetOpenHandler([](const std::string&) { return true; });
    PreviousPowerOff_ = platform::TShell::SetPowerOffHandler([] {});
    app::TBatchDriver::TOptions options;
    options.SkipUnreadableRows = true;
    Driver.SetOptions(options);
  }
  void TearDown() override {
    platform::TShell::SetOpenHandler(PreviousOpen_);
    platform::TShell::SetPowerOffHandler(PreviousPowerOff_);
  }

  std::string OutDir() const { return Dir.File("out"); }

  // Adds a source and remembers its checksum.
  void AddSource(const std::string& path) {
    List.Add(path, -1, "", "lbox");
    Sources_.push_back(path);
    Checksums_[path] = FileChecksum(path);
    Existed_[path] = std::filesystem::exists(path);
  }

  // Starts the batch and waits for it to end; the outcome of every source in order of adding.
  std::vector<TFileOutcome> RunBatch() {
    std::vector<TFileOutcome> outcomes(static_cast<size_t>(List.Count()));
    if (Driver.Start()) {
      EXPECT_TRUE(platform::TMainThread::WaitPumping([&] { return Driver.State() == app::bsIdle; },
                                                     std::chrono::seconds(300)));
      // The batch's end may be handled before the last task's end (both are queued from
      // threads of their own); BatchEndTest covers that. Here the outcome of every file counts.
      platform::TMainThread::WaitPumping([&] { return AllResultsEnded(); }, std::chrono::seconds(30));
    }
    for (const auto& r : Driver.Results()) {
      TFileOutcome& o = outcomes.at(static_cast<size_t>(r.Row));
      o.Converted = r.Finished && !r.Failed;
      o.Failed = r.Failed || !r.Finished;
      o.Message = r.Message;
      o.Destination = r.Destination;
    }
    for (const auto& r : Driver.SkippedResults()) {
      TFileOutcome& o = outcomes.at(static_cast<size_t>(r.Row));
      o.Skipped = true;
      o.Message = r.Message;
    }
    for (size_t i = 0; i < outcomes.size(); ++i)
      std::cout << "[ outcome  ] " << std::filesystem::path(List.Row(static_cast<int>(i)).Caption).filename().string()
                << ": " << (outcomes[i].Converted ? "converted" : outcomes[i].Skipped ? "skipped" : "failed")
                << (outcomes[i].Message.empty() ? "" : " - " + outcomes[i].Message) << "\n";
    return outcomes;
  }

  bool AllResultsEnded() const {
    for (const auto& r : Driver.Results())
      if (!r.Ended) return false;
    return true;
  }

  // Every source is byte-identical to what it was when added (and still there, if it was).
  void ExpectSourcesUntouched() {
    for (const auto& path : Sources_) {
      EXPECT_EQ(std::filesystem::exists(path), Existed_[path]) << path;
      EXPECT_EQ(FileChecksum(path), Checksums_[path]) << path << " changed";
    }
  }

  // Every file in the folder is a non-empty, readable media file with a destination's name
  // ("<name>_(new...).<ext>"): no empty file, no temporary or half-written name.
  static void ExpectOnlyValidOutputs(const std::string& folder) {
    if (!std::filesystem::exists(folder)) return;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      EXPECT_NE(name.find("_(new"), std::string::npos) << "unexpected file " << name;
      EXPECT_GT(entry.file_size(), 0u) << "empty output " << name;
      const ProbeResult probe = FFprobe(entry.path().string());
      EXPECT_TRUE(probe.Ok) << "unreadable output " << name;
      EXPECT_FALSE(probe.Streams.empty()) << "output without streams " << name;
    }
  }

  // A converted file's output exists and has the format's video or audio.
  static void ExpectConverted(const TFileOutcome& o, const std::string& what) {
    EXPECT_TRUE(o.Converted) << what << ": " << o.Message;
    if (!o.Converted) return;
    const ProbeResult probe = FFprobe(o.Destination);
    ASSERT_TRUE(probe.Ok) << what << " -> " << o.Destination;
    EXPECT_TRUE(probe.First("video") || probe.First("audio")) << what;
  }

  // A file that did not convert says why, in words.
  static void ExpectClearFailure(const TFileOutcome& o, const std::string& what) {
    if (o.Converted) return;
    EXPECT_FALSE(o.Message.empty()) << what << " failed without a message";
    EXPECT_EQ(o.Message.find('\0'), std::string::npos) << what;
  }

  TempDir Dir;
  app::TSettings Settings{Dir.File("s.ini")};
  formats::TFormatStore Store{Dir.File("s.ini"), DataDir() + "/zantowmvmp4format.ini"};
  engine::TFFmpegEngine Engine;
  app::TFileList List;
  app::TBatchDriver Driver{Engine, List, Settings, Store};

 private:
  std::vector<std::string> Sources_;
  std::map<std::string, uint64_t> Checksums_;
  std::map<std::string, bool> Existed_;
  platform::TShell::OpenHandler PreviousOpen_;
  platform::TShell::PowerOffHandler PreviousPowerOff_;
};

}  // namespace zanto::test
