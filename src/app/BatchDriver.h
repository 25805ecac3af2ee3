#pragma once
// The batch driver: turns the checked rows of the file list into engine tasks, starts them one
// after another and follows the engine's events into the rows and the progress model. The
// window program and the command-line front end drive the same class.
//
// Threads: Start, Pause, Resume, Cancel and every handler but the frame hook run on the main
// thread (the engine synchronises progress and preview events; terminate events are queued to
// the main thread here, in order). The frame hook runs on the conversion thread and reads
// CheckedRows and the rows' records without a lock: nothing writes them while a batch runs.
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/FileList.h"
#include "app/ProgressText.h"
#include "app/Settings.h"
#include "engine/FFmpegEngine.h"
#include "formats/FormatStore.h"
#include "platform/Bitmap24.h"

namespace zanto::app {

enum TBatchState { bsIdle, bsPreparing, bsConverting, bsPaused, bsStopping };

// What the progress window shows.
struct TProgressModel {
  int TaskIndex = -1;
  int FileBar = 0;  // 0..100
  int Fps = -1;
  int64_t CurrentDurationUs = 0;
  int64_t TotalDurationUs = -1;
  TProgressLabels Labels;
  std::string FileLabel;
  bool PauseEnabled = true;
  bool ResumeEnabled = false;
  bool OpenFolderAfter = true;   // "Open the output folder after conversion", checked at every show
  bool ShutDownAfter = false;    // "Shut down computer after conversion", kept between batches
};

// The end of one task, for reports.
struct TTaskResult {
  int Row = -1;
  std::string Source;
  std::string Destination;
  bool Ended = false;
  bool Finished = false;
  bool Failed = false;
  std::string Message;
};

class TBatchDriver {
 public:
  TBatchDriver(engine::TFFmpegEngine& engine, TFileList& list, TSettings& settings,
               const formats::TFormatStore& store);
  ~TBatchDriver();
  TBatchDriver(const TBatchDriver&) = delete;
  TBatchDriver& operator=(const TBatchDriver&) = delete;

  // Options of the front end.
  struct TOptions {
    // Rows whose file cannot be opened are reported in Results and left out, instead of ending
    // the start procedure (the command line converts the rest of its files).
    bool SkipUnreadableRows = false;
    // Replaces the format's zoom mode for every row (after the format's own is copied).
    std::optional<std::string> ZoomOverride;
    std::optional<int> FormatCodeOverride;
    // Writes into this folder instead of the settings' output folder (created when missing).
    std::optional<std::string> OutputDirOverride;
  };
  void SetOptions(TOptions options) { Options_ = std::move(options); }

  // Hooks into the windows (all called on the main thread).
  std::function<void()> OnStopPreview;        // before the tasks are built
  std::function<void()> OnShowProgress;       // the batch started: show the progress window
  std::function<void()> OnProgressChanged;    // labels, bar or a row cell changed
  std::function<void()> OnBatchEnded;         // idle again: close the progress window

  // The start procedure. Returns True when tasks were started. A warning (no checked row) is
  // shown through the message box; an error that ends the procedure is raised to the caller
  // (the application's error report), with nothing started.
  bool Start();
  void Pause();
  void Resume();
  // Stops the batch and waits for the tasks (keeps the main thread's queue running).
  void Cancel();
  // The exit share: detach from the engine's events and stop with waiting.
  void Detach();

  TBatchState State() const { return State_; }
  const std::vector<int>& CheckedRows() const { return CheckedRows_; }
  // One entry per task, in task order.
  const std::vector<TTaskResult>& Results() const { return Results_; }
  // Rows left out because their file could not be opened (SkipUnreadableRows).
  const std::vector<TTaskResult>& SkippedResults() const { return SkippedResults_; }
  TProgressModel& Progress() { return Progress_; }
  const platform::TBitmap24& LastPreview() const { return LastPreview_; }
  // The main window's show creates a new, empty last preview picture.
  void ResetLastPreview() { LastPreview_.SetSize(0, 0); }

 private:
  void AttachEvents();
  void AddRowTask(int row, std::set<std::string>& taken);
  void HandleProgress(const engine::TProgressInfo& info);
  void HandleTerminate(const engine::TTerminateInfo& info);
  void HandlePreview(const engine::TPreviewInfo& info);
  void HandleHook(engine::THookInfo& info);
  void AfterConversion();
  void FinishBatchWhenAllEnded();

  engine::TFFmpegEngine& Engine_;
  TFileList& List_;
  TSettings& Settings_;
  const formats::TFormatStore& Store_;
  TOptions Options_;
  TBatchState State_ = bsIdle;
  std::vector<int> CheckedRows_;
  std::vector<TTaskResult> Results_;
  std::vector<TTaskResult> SkippedResults_;
  TProgressModel Progress_;
  platform::TBitmap24 LastPreview_;
  // Set while the driver lives; queued terminate handling checks it before touching anything.
  std::shared_ptr<bool> Alive_ = std::make_shared<bool>(true);
  int InEngineEvent_ = 0;
  bool BatchEndPending_ = false;  // the engine said the batch ended; some task ends may follow  // depth of synchronised engine events now running (main thread)
};

// The engine's thread priority for the settings key "priority" (0 idle, 1 normal, 2 lower,
// 3 lowest); nothing for any other value.
std::optional<engine::TThreadPriority> PriorityFromSetting(int priority);

}  // namespace zanto::app
