#include "app/BatchDriver.h"

#include <algorithm>
#include <thread>

#include "app/DestinationName.h"
#include "app/OutputFolder.h"
#include "engine/FFmpegException.h"
#include "formats/OptionBuilder.h"
#include "media/MediaProbe.h"
#include "platform/MainThread.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "tools/FrameRenderer.h"

namespace zanto::app {
namespace {

using namespace std::chrono_literals;

// Marks the time spent inside a synchronised engine event.
struct TEventScope {
  explicit TEventScope(int& depth) : Depth(depth) { ++Depth; }
  ~TEventScope() { --Depth; }
  int& Depth;
};

// Closes the engine's probe however the row's set-up ends.
struct ProbeCloser {
  media::TMediaProbe& Probe;
  ~ProbeCloser() { Probe.CloseFile(); }
};

formats::TSourceVideo SourceOf(media::TMediaProbe& probe) {
  formats::TSourceVideo source;
  source.VideoStreamCount = std::max(probe.VideoStreamCount(), 0);
  if (probe.VideoStreamCount() > 0) {
    media::TVideoStreamInfo video;
    if (probe.GetVideoStreamInfo(probe.FirstVideoStream(), video)) {
      source.Width = video.Width;
      source.Height = video.Height;
      source.BitRate = video.BitRate;
    }
  }
  return source;
}

}  // namespace

std::optional<engine::TThreadPriority> PriorityFromSetting(int priority) {
  switch (priority) {
    case 0: return engine::tpIdle;
    case 1: return engine::tpNormal;
    case 2: return engine::tpLower;
    case 3: return engine::tpLowest;
    default: return std::nullopt;
  }
}

TBatchDriver::TBatchDriver(engine::TFFmpegEngine& engine, TFileList& list, TSettings& settings,
                           const formats::TFormatStore& store)
    : Engine_(engine), List_(list), Settings_(settings), Store_(store) {
  Engine_.SetPreviewBitmap(true);
  AttachEvents();
}

TBatchDriver::~TBatchDriver() {
  Detach();
  *Alive_ = false;
}

void TBatchDriver::AttachEvents() {
  Engine_.SetOnProgress([this](engine::TCustomFFmpegEngine*, engine::PProgressInfo info) {
    HandleProgress(*info);
  });
  Engine_.SetOnPreviewBitmap([this](engine::TCustomFFmpegEngine*, engine::TPreviewInfo info) {
    HandlePreview(info);
  });
  Engine_.SetOnCustomHook([this](engine::TCustomFFmpegEngine*, engine::PHookInfo info) {
    HandleHook(*info);
  });
  // Terminate events come from short-lived engine threads; everything they change belongs to
  // the main thread, so they are queued there in the order they arrive.
  Engine_.SetOnTerminate([this, alive = Alive_](engine::TCustomFFmpegEngine*, engine::TTerminateInfo info) {
    platform::TMainThread::Queue([this, alive, info] {
      if (*alive) HandleTerminate(info);
    });
  });
}

void TBatchDriver::Detach() {
  Engine_.SetOnCustomHook(nullptr);
  Engine_.SetOnProgress(nullptr);
  Engine_.SetOnTerminate(nullptr);
  Engine_.Stop(true);
}

bool TBatchDriver::Start() {
  if (auto priority = PriorityFromSetting(Settings_.Priority())) Engine_.SetThreadPriority(*priority);
  const int checked = List_.CheckedCount();
  CheckedRows_.clear();
  CheckedRows_.reserve(static_cast<size_t>(checked));
  Results_.clear();
  SkippedResults_.clear();
  if (OnStopPreview) OnStopPreview();
  Engine_.ClearTasks();
  if (checked == 0) {
    platform::TMessageBox::Show("Please select a file by clicking the check box!", "Warning",
                                platform::MB_OK);
    return false;
  }
  State_ = bsPreparing;
  std::set<std::string> taken;
  for (int row = 0; row < List_.Count(); ++row) {
    if (!List_.Row(row).Checked) continue;
    try {
      AddRowTask(row, taken);
    } catch (const std::exception& e) {
      if (!Options_.SkipUnreadableRows) {
        State_ = bsIdle;
        throw;
      }
      TTaskResult failed;
      failed.Row = row;
      failed.Source = List_.Row(row).Caption;
      failed.Ended = failed.Failed = true;
      failed.Message = e.what();
      SkippedResults_.push_back(failed);
    }
  }
  if (CheckedRows_.empty()) {
    State_ = bsIdle;
    return false;
  }
  Progress_.TaskIndex = -1;
  Progress_.FileBar = 0;
  Progress_.Fps = -1;
  Progress_.CurrentDurationUs = 0;
  Progress_.TotalDurationUs = -1;
  Progress_.Labels = {};
  Progress_.FileLabel.clear();
  Progress_.PauseEnabled = true;
  Progress_.ResumeEnabled = false;
  Progress_.OpenFolderAfter = true;
  BatchEndPending_ = false;
  Engine_.StartTask(1);
  State_ = bsConverting;
  if (OnShowProgress) OnShowProgress();
  return true;
}

void TBatchDriver::AddRowTask(int row, std::set<std::string>& taken) {
  TFileRow& fileRow = List_.Row(row);
  TlvFilesRecord& record = *fileRow.Record;
  engine::TInputOptions input;
  input.FileName = fileRow.Caption;

  media::TMediaProbe& probe = Engine_.MediaProbe();
  ProbeCloser closer{probe};
  if (!probe.LoadFile(fileRow.Caption, ""))
    throw engine::FFmpegException(probe.LastErrorMessage());
  if (record.TrimStart >= 0) input.StartTime = record.TrimStart;

  const int code = Options_.FormatCodeOverride.value_or(Settings_.FormatCode());
  const std::string ext = Store_.FileExt(code);
  const std::string destination =
      Options_.OutputDirOverride
          ? MakeDestinationNameIn(*Options_.OutputDirOverride, probe.FileName(), "." + ext, taken)
          : MakeDestinationName(Settings_, probe.FileName(), "." + ext, taken);
  record.ZoomMode = Store_.ReadChoice(code, "parazoom", "lbox");
  if (Options_.ZoomOverride) record.ZoomMode = *Options_.ZoomOverride;

  engine::TOutputOptions output;
  output.FileName = destination;
  formats::TRowEdits edits;
  edits.ZoomMode = record.ZoomMode;
  edits.CropTop = record.CropTop;
  edits.CropLeft = record.CropLeft;
  edits.CropBottom = record.CropBottom;
  edits.CropRight = record.CropRight;
  formats::BuildConversionOptions(Store_, code, edits, SourceOf(probe), output, input);
  // The trimmed part ends where the user said: the output's recording time is its length.
  if (record.TrimLength > 0) output.RecordingTime = record.TrimLength;
  output.CustomHook = true;

  const int task = Engine_.AddTask(fileRow.Caption, &input);
  if (task < 0) throw engine::FFmpegException(Engine_.LastError());
  if (!Engine_.SetOutputFile(task, destination, &output)) {
    const std::string error = Engine_.LastError();
    Engine_.RemoveTask(task);
    throw engine::FFmpegException(error);
  }
  taken.insert(destination);
  CheckedRows_.push_back(row);
  TTaskResult result;
  result.Row = row;
  result.Source = fileRow.Caption;
  result.Destination = destination;
  Results_.push_back(result);
}

void TBatchDriver::HandleProgress(const engine::TProgressInfo& info) {
  if (info.TaskIndex < 0 || info.TaskIndex >= static_cast<int>(CheckedRows_.size())) return;
  TFileRow& row = List_.Row(CheckedRows_[static_cast<size_t>(info.TaskIndex)]);
  Progress_.TaskIndex = info.TaskIndex;
  Progress_.Fps = info.FPS;
  Progress_.CurrentDurationUs = info.CurrentDuration;
  Progress_.TotalDurationUs = info.TotalDuration;
  if (auto percent = ProgressPercent(info.CurrentDuration, info.TotalDuration)) {
    Progress_.FileBar = *percent;
    row.SubItems[colProgress] = std::to_string(*percent) + "%";
  }
  Progress_.Labels = MakeProgressLabels(info.CurrentDuration, info.TotalDuration, info.CurrentSize,
                                        info.TaskIndex, Engine_.TaskCount());
  Progress_.FileLabel = ShortFileLabel(row.Caption);
  const TEventScope scope(InEngineEvent_);
  if (OnProgressChanged) OnProgressChanged();
}

void TBatchDriver::HandlePreview(const engine::TPreviewInfo& info) {
  if (info.Bitmap && info.Bitmap->Width() > 0 && info.Bitmap->Height() > 0)
    LastPreview_.Assign(*info.Bitmap);
}

void TBatchDriver::HandleHook(engine::THookInfo& info) {
  if (info.TaskIndex < 0 || info.TaskIndex >= static_cast<int>(CheckedRows_.size())) return;
  const TlvFilesRecord& record = *List_.Row(CheckedRows_[static_cast<size_t>(info.TaskIndex)]).Record;
  if (record.HasNoFrameEdits()) {
    // Nothing to draw: the frames go to the encoder untouched, with no colour round trip.
    info.Update = false;
    info.StopHook = true;
    return;
  }
  static const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  tools::RenderFrameEdits(*info.Bitmap, record.Render, threads);
}

void TBatchDriver::HandleTerminate(const engine::TTerminateInfo& info) {
  // Each end arrives from its own short-lived engine thread, so the batch's end may be queued
  // before the last task's: the batch ends once both are in.
  if (info.TaskIndex < 0) {
    BatchEndPending_ = true;
    FinishBatchWhenAllEnded();
    return;
  }
  if (info.TaskIndex >= static_cast<int>(Results_.size())) return;
  TTaskResult& result = Results_[static_cast<size_t>(info.TaskIndex)];
  result.Ended = true;
  result.Finished = info.Finished;
  result.Failed = info.Exception;
  result.Message = info.ExceptionMsg;
  if (info.Finished) {
    List_.Row(CheckedRows_[static_cast<size_t>(info.TaskIndex)]).SubItems[colProgress] = "100%";
    Progress_.FileBar = 100;
    if (OnProgressChanged) OnProgressChanged();
    if (info.TaskIndex + 1 == static_cast<int>(CheckedRows_.size())) AfterConversion();
  }
  FinishBatchWhenAllEnded();
}

void TBatchDriver::FinishBatchWhenAllEnded() {
  if (!BatchEndPending_) return;
  if (!std::all_of(Results_.begin(), Results_.end(), [](const TTaskResult& r) { return r.Ended; }))
    return;
  BatchEndPending_ = false;
  // The engine marks the batch terminated before it delivers the batch's end.
  if (Engine_.AllTerminated()) Engine_.ClearTasks();
  State_ = bsIdle;
  if (OnBatchEnded) OnBatchEnded();
}

void TBatchDriver::AfterConversion() {
  if (Progress_.OpenFolderAfter) OpenOutputFolder(Settings_, Settings_.OutPutDir());
  if (Progress_.ShutDownAfter) platform::PowerOffComputer();
}

void TBatchDriver::Pause() {
  if (State_ != bsConverting) return;
  Engine_.Pause();
  State_ = bsPaused;
  Progress_.PauseEnabled = false;
  Progress_.ResumeEnabled = true;
  if (OnProgressChanged) OnProgressChanged();
}

void TBatchDriver::Resume() {
  if (State_ != bsPaused) return;
  Engine_.Resume();
  State_ = bsConverting;
  Progress_.PauseEnabled = true;
  Progress_.ResumeEnabled = false;
  if (OnProgressChanged) OnProgressChanged();
}

void TBatchDriver::Cancel() {
  if (State_ != bsConverting && State_ != bsPaused) return;
  if (InEngineEvent_ > 0) {
    // Called from a progress or preview event: its conversion thread waits for the event to
    // return, so waiting for that thread here would never end. Stop once the event is over.
    platform::TMainThread::Queue([this, alive = Alive_] {
      if (*alive) Cancel();
    });
    return;
  }
  State_ = bsStopping;
  Engine_.Stop(true);
  // The batch event follows the last task's end; wait for it so the caller sees the idle state.
  platform::TMainThread::WaitPumping([this] { return State_ == bsIdle; }, 30s);
}

}  // namespace zanto::app
