#pragma once
// A conversion task. TCustomFFmpeg is the transcoding core: the option state, the opened inputs
// and declared outputs, the run on a conversion thread, and the flags the component follows.
// TFFmpeg adds the copies of the caller's option records. The component (FFmpegEngine.h) sets
// the event targets; the task never knows the component's type.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/ConvertThread.h"
#include "engine/EngineEvents.h"
#include "engine/OptionParser.h"
#include "engine/OptionState.h"
#include "engine/Options.h"
#include "engine/PauseGate.h"
#include "engine/Streams.h"
#include "engine/TranscodeHost.h"

namespace zanto::engine {

class TCustomFFmpeg;

// Where a task's events go (the component).
class ITaskEvents {
 public:
  virtual ~ITaskEvents() = default;
  virtual bool HasProgressHandler() const = 0;
  virtual bool HasPreviewHandler() const = 0;
  virtual bool HasHookHandler() const = 0;
  virtual void TaskProgress(TCustomFFmpeg& task, const TProgressInfo& info) = 0;
  virtual void TaskPreview(TCustomFFmpeg& task, const TPreviewInfo& info) = 0;
  virtual void TaskHook(TCustomFFmpeg& task, THookInfo& info) = 0;
  virtual void TaskTerminated(TCustomFFmpeg& task) = 0;
};

inline constexpr int kPreviewWindow = 1;  // bit 0: Preview
inline constexpr int kPreviewBitmap = 2;  // bit 1: PreviewBitmap

class TCustomFFmpeg : public IOptionActions, public ITranscodeHost {
 public:
  TCustomFFmpeg();
  ~TCustomFFmpeg() override;
  TCustomFFmpeg(const TCustomFFmpeg&) = delete;
  TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

  // --- options and files (the caller's thread, before the run) ---
  TOptionState& State() { return State_; }
  // The option defaults again; frees whatever a previous run or open left.
  void ResetToDefaults();
  bool OpenInputFile(const std::string& fileName);
  bool OpenOutputFile(const std::string& fileName, bool join) override;
  void NewVideoStream() override;
  void NewAudioStream() override;
  void NewSubtitleStream() override;
  // Resolves a codec name; False with LastErrorText. An empty name gives nullptr and True.
  bool FindCodec(const std::string& name, AVMediaType kind, bool encoder, int strictness,
                 const AVCodec*& codec);
  int InputFileCount() const override { return static_cast<int>(Inputs_.size()); }
  // A joined output counts once per input, as it takes every input in turn.
  int OutputFileCount() const override {
    return static_cast<int>(Outputs_.size()) + (JoinMode_ ? static_cast<int>(Inputs_.size()) - 1 : 0);
  }
  std::vector<AVRational> InputVideoFrameRates() const override;
  void SetTotalDuration(int64_t durationUs) override { TotalDuration_ = durationUs; }
  void Log(media::TLogLevel level, const std::string& text) override;

  std::vector<TInputFile>& Inputs() { return Inputs_; }
  const std::vector<TOutputFile>& Outputs() const { return Outputs_; }
  // Removes the last output again (a failed open leaves nothing behind).
  void DropLastOutput();
  const std::string& LastErrorText() const { return LastErrorText_; }
  void SetLastErrorText(const std::string& text) { LastErrorText_ = text; }
  int64_t TotalDuration() const { return TotalDuration_; }

  // --- running ---
  // Starting one task: fails at once without outputs or inputs; otherwise runs it here
  // (threaded False) or returns its thread, created suspended.
  TConvertThread* Start(bool threaded, TThreadPriority priority);
  // The terminate notification for a task that never ran (Stop before its turn).
  void TerminateUnstarted();
  void RequestStop();
  void Pause() { Gate_.Close(); }
  void Resume() { Gate_.Open(); }
  // Waits for the conversion thread to end (no-op when none or on that thread itself).
  void JoinThread();

  // --- flags the component reads ---
  bool Running() const { return Running_; }
  bool Terminated() const { return Terminated_; }
  bool Finished() const { return Finished_; }
  bool ExceptionRaised() const { return ExceptionRaised_; }
  std::string ExceptionMsg() const;
  TManualEvent ThreadDone{true};
  TManualEvent TerminateDone{true};

  // --- set by the component ---
  ITaskEvents* ProgressTarget = nullptr;
  ITaskEvents* PreviewTarget = nullptr;
  ITaskEvents* HookTarget = nullptr;
  ITaskEvents* TerminateTarget = nullptr;
  std::atomic<int64_t> ProgressIntervalUs{500000};
  std::atomic<int> PreviewFlags{0};
  // The previewer of the host program (Preview without windows of its own): may stay empty.
  std::function<void(const platform::TBitmap24&, int64_t ptsUs)> Previewer;

  // --- ITranscodeHost ---
  bool StopRequested() const override { return StopFlag_; }
  void PassPauseGate() override { Gate_.Pass(); }
  bool HookRequested() const override { return HookTarget != nullptr; }
  bool HookAttached() const override;
  void DetachHook() override { HookDetached_ = true; }
  void CallHook(THookInfo& info) override;
  bool PreviewWanted() const override;
  void DisablePreview() override { PreviewFlags &= ~kPreviewBitmap; }
  void DeliverPreview(const TPreviewInfo& info) override;
  bool HasProgressHandler() const override;
  void DeliverProgress(const TProgressInfo& info) override;

 private:
  void Execute();
  void Transcode();
  void FreeFiles();
  void Terminate();
  void Fail(const std::string& message);
  TStreamRequest CommonRequest(AVMediaType kind);

  TOptionState State_;
  std::vector<TInputFile> Inputs_;
  std::vector<TOutputFile> Outputs_;
  bool JoinMode_ = false;
  int64_t TotalDuration_ = -1;
  std::string LastErrorText_;
  std::vector<std::string> LoggedAliases_;

  std::atomic<bool> Running_{false};
  std::atomic<bool> Terminated_{false};
  std::atomic<bool> Finished_{false};
  std::atomic<bool> ExceptionRaised_{false};
  std::atomic<bool> StopFlag_{false};
  std::atomic<bool> HookDetached_{false};
  mutable std::mutex MessageMutex_;  // guards ExceptionMsg_
  std::string ExceptionMsg_;
  TPauseGate Gate_;
  std::unique_ptr<TConvertThread> Thread_;
};

// A task with the caller's records.
class TFFmpeg : public TCustomFFmpeg {
 public:
  std::vector<TInputOptions> InputRecords;
  std::vector<std::optional<TOutputOptions>> OutputRecords;
};

}  // namespace zanto::engine
