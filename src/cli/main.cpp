// zanto-convert: the converter without windows. The same batch driver as the window program
// turns the files into engine tasks; this front end prints progress and a summary.
#include <QGuiApplication>

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/BatchDriver.h"
#include "app/FileList.h"
#include "app/GlobalObject.h"
#include "app/MainShell.h"
#include "app/Settings.h"
#include "cli/CliOptions.h"
#include "cli/ProgressLine.h"
#include "engine/FFmpegEngine.h"
#include "formats/Catalogue.h"
#include "formats/FormatStore.h"
#include "formats/SettingsFile.h"
#include "platform/MainThread.h"
#include "platform/Paths.h"
#include "platform/qt/QtPlatform.h"

namespace {

using namespace zanto;
using namespace std::chrono_literals;

std::atomic<bool> gInterrupted{false};

void OnSignal(int) { gInterrupted = true; }

// Qt's notes about the session (no runtime folder on a headless machine) are no news to a
// command-line user; everything else Qt says still reaches standard error.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg && message.startsWith("QStandardPaths:")) return;
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

void ListFormats(formats::TFormatStore& store) {
  formats::TFormatCatalogue catalogue(store);
  catalogue.BuildCatalogue();
  for (int category = 0; category < formats::TFormatCatalogue::kMaxIndex; ++category)
    for (int row = 0; row < formats::TFormatCatalogue::kMaxIndex; ++row) {
      const std::string& caption = catalogue.FormatCaption(category, row);
      if (!caption.empty()) std::cout << category * 100 + row << '\t' << caption << '\n';
    }
}

// Progress on standard error: one line rewritten in place on a terminal, plain lines (one per
// tenth of the file) otherwise.
class TProgressPrinter {
 public:
  explicit TProgressPrinter(bool terminal) : Terminal_(terminal) {}

  void Update(const app::TProgressModel& p, int taskCount, const std::string& file) {
    if (p.TaskIndex != Task_) {
      Finish();
      Task_ = p.TaskIndex;
      Started_ = std::chrono::steady_clock::now();
      LastTenth_ = -1;
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Started_).count();
    const std::string line = cli::ProgressLine(p.TaskIndex + 1, taskCount, file, p.CurrentDurationUs,
                                               p.TotalDurationUs, p.Fps, elapsed);
    if (Terminal_) {
      std::fprintf(stderr, "\r%s\033[K", line.c_str());
      Open_ = true;
    } else {
      const int tenth = p.TotalDurationUs > 0 ? static_cast<int>(p.CurrentDurationUs * 10 / p.TotalDurationUs) : 0;
      if (tenth != LastTenth_) std::fprintf(stderr, "%s\n", line.c_str());
      LastTenth_ = tenth;
    }
    std::fflush(stderr);
  }

  void Finish() {
    if (Open_) std::fputc('\n', stderr);
    Open_ = false;
  }

 private:
  bool Terminal_;
  bool Open_ = false;
  int Task_ = -2;
  int LastTenth_ = -1;
  std::chrono::steady_clock::time_point Started_;
};

int Run(const cli::TCliOptions& options) {
  const std::string programFolder = platform::ProgramFolder();
  app::TGlobalObject global;
  app::ApplyEditions(global, programFolder);
  std::string settingsFile = options.SettingsFile.value_or(platform::WritableProgramFile(
      std::filesystem::path(global.SettingsFileName).filename().string()));
  formats::EnsureSettingsFile(programFolder + app::kDefaultSettingsFile, settingsFile);
  formats::TFormatStore store(settingsFile, global.FormatFileName);
  if (options.ListFormats) {
    ListFormats(store);
    return kExitOk;
  }

  engine::TFFmpegEngine engine;
  if (!engine.LoadMediaLibraries(programFolder + "LibAV")) {
    std::fprintf(stderr, "%s\n", engine.LastError().c_str());
    return kExitFailed;
  }
  app::TSettings settings(settingsFile);
  app::TFileList list;
  for (const auto& file : options.Files) {
    std::error_code ec;
    const std::string path = std::filesystem::absolute(file, ec).string();
    list.Add(path.empty() ? file : path, -1, "", "lbox");
    app::TlvFilesRecord& record = *list.Row(list.Count() - 1).Record;
    if (options.TrimStartUs) record.TrimStart = *options.TrimStartUs;
    if (options.TrimEndUs) record.TrimLength = *options.TrimEndUs - record.TrimStart;
    if (options.HasCrop) {
      record.CropTop = options.CropTop;
      record.CropBottom = options.CropBottom;
      record.CropLeft = options.CropLeft;
      record.CropRight = options.CropRight;
    }
  }

  app::TBatchDriver driver(engine, list, settings, store);
  app::TBatchDriver::TOptions driverOptions;
  driverOptions.SkipUnreadableRows = true;
  driverOptions.ZoomOverride = options.Zoom;
  driverOptions.FormatCodeOverride = options.FormatCode;
  driverOptions.OutputDirOverride = options.OutputDir;
  driver.SetOptions(driverOptions);
  driver.Progress().OpenFolderAfter = false;

  TProgressPrinter printer(isatty(STDERR_FILENO));
  driver.OnProgressChanged = [&] {
    const app::TProgressModel& p = driver.Progress();
    if (p.TaskIndex < 0 || p.TaskIndex >= static_cast<int>(driver.Results().size())) return;
    const auto& result = driver.Results()[static_cast<size_t>(p.TaskIndex)];
    printer.Update(p, static_cast<int>(driver.Results().size()),
                   std::filesystem::path(result.Source).filename().string());
  };

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  bool started = false;
  try {
    started = driver.Start();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return kExitFailed;
  }
  // The command line never opens a folder when the batch ends.
  driver.Progress().OpenFolderAfter = false;
  bool interrupted = false;
  if (started) {
    platform::TMainThread::WaitPumping(
        [&] { return gInterrupted.load() || driver.State() == app::bsIdle; });
    if (gInterrupted && driver.State() != app::bsIdle) {
      interrupted = true;
      printer.Finish();
      std::fprintf(stderr, "Interrupted: stopping...\n");
      driver.Cancel();
    }
  }
  printer.Finish();

  bool allConverted = driver.SkippedResults().empty() && started;
  for (const auto& r : driver.SkippedResults())
    std::printf("FAILED  %s: %s\n", r.Source.c_str(), r.Message.c_str());
  for (const auto& r : driver.Results()) {
    if (r.Finished && !r.Failed) {
      std::printf("OK      %s -> %s\n", r.Source.c_str(), r.Destination.c_str());
    } else {
      allConverted = false;
      if (r.Failed)
        std::printf("FAILED  %s: %s\n", r.Source.c_str(), r.Message.c_str());
      else
        std::printf("STOPPED %s%s\n", r.Source.c_str(),
                    std::filesystem::exists(r.Destination) ? (" -> " + r.Destination + " (partial)").c_str() : "");
    }
  }
  if (interrupted || gInterrupted) return kExitInterrupted;
  return allConverted ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  cli::TCliOptions options;
  try {
    options = cli::ParseCommandLine(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zanto-convert: %s\n", e.what());
    return kExitUsage;
  }
  if (options.Help) {
    std::fputs(cli::UsageText().c_str(), stdout);
    return kExitOk;
  }
  // Text watermarks are drawn with Qt's fonts, which need a GUI application object; the
  // offscreen platform gives one without a display.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  qInstallMessageHandler(QtMessages);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  platform::InstallQtPlatform(false);
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zanto-convert: %s\n", e.what());
    return kExitFailed;
  }
}
