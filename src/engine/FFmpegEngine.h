#pragma once
// The conversion engine component. The caller fills option records, adds tasks (one input
// each) and their outputs, starts the batch and follows four events. TCustomFFmpegEngine holds
// the state and the event delivery; TFFmpegEngine adds the task operations.
//
// Threads: the caller's (main) thread runs the operations; each running task has one conversion
// thread; OnTerminate arrives on a short-lived thread of its own in threaded mode. The
// bookkeeping of the batch is guarded by the terminate lock; each event kind has its own lock
// around its information record.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/EngineEvents.h"
#include "engine/FFmpegTask.h"
#include "engine/Options.h"
#include "media/MediaProbe.h"

namespace zanto::engine {

class TCustomFFmpegEngine : public ITaskEvents {
 public:
  TCustomFFmpegEngine();
  ~TCustomFFmpegEngine() override;
  TCustomFFmpegEngine(const TCustomFFmpegEngine&) = delete;
  TCustomFFmpegEngine& operator=(const TCustomFFmpegEngine&) = delete;

  std::string About;
  static std::string Version() { return "3.3"; }

  bool Preview() const { return Preview_; }
  void SetPreview(bool value);
  bool PreviewBitmap() const { return PreviewBitmap_; }
  void SetPreviewBitmap(bool value);
  int ProgressInterval() const { return ProgressInterval_; }
  // 100 ms at least.
  void SetProgressInterval(int milliseconds) { ProgressInterval_ = milliseconds <= 100 ? 100 : milliseconds; }
  TThreadPriority ThreadPriority() const { return ThreadPriority_; }
  void SetThreadPriority(TThreadPriority value) { ThreadPriority_ = value; }
  bool TriggerEventInMainThread() const { return TriggerEventInMainThread_; }
  void SetTriggerEventInMainThread(bool value) { TriggerEventInMainThread_ = value; }

  // Events. Handlers may be changed while tasks run (the main window detaches on close).
  void SetOnCustomHook(TCustomHookEvent handler);
  void SetOnPreviewBitmap(TPreviewBitmapEvent handler);
  void SetOnProgress(TProgressEvent handler);
  void SetOnTerminate(TTerminateEvent handler);
  // Shows a task's frames when Preview is on; the engine has no windows, so the host program
  // may install one. Without it Preview shows nothing.
  void SetPreviewer(std::function<void(const platform::TBitmap24&, int64_t ptsUs)> previewer);

  std::string LastError() const;
  media::TMediaProbe& MediaProbe() { return *MediaProbe_; }

  // Batch bookkeeping, for callers and tests.
  bool Working() const { return Working_; }
  bool AllTerminated() const { return AllTerminated_; }
  int FinishedCount() const { return FinishedCount_; }

 protected:
  // ITaskEvents
  bool HasProgressHandler() const override;
  bool HasPreviewHandler() const override;
  bool HasHookHandler() const override;
  void TaskProgress(TCustomFFmpeg& task, const TProgressInfo& info) override;
  void TaskPreview(TCustomFFmpeg& task, const TPreviewInfo& info) override;
  void TaskHook(TCustomFFmpeg& task, THookInfo& info) override;
  void TaskTerminated(TCustomFFmpeg& task) override;

  int IndexOf(const TCustomFFmpeg& task) const;
  void CheckIdle(const char* operation) const;
  void StartNextTask();
  // Calls OnTerminate: from a TDoTerminateThread in threaded mode, directly otherwise.
  void DeliverTerminate(const TTerminateInfo& info, TManualEvent* done);
  // Starts a short-lived thread the component keeps track of (joined at destruction).
  void SpawnHelper(std::function<void()> work);
  void JoinHelpers();
  void SetLastError(const std::string& text);

  mutable std::recursive_mutex ListMutex_;  // guards Tasks_
  std::vector<std::unique_ptr<TFFmpeg>> Tasks_;

  mutable std::mutex HandlersMutex_;  // guards the four handlers and the previewer
  TCustomHookEvent OnCustomHook_;
  TPreviewBitmapEvent OnPreviewBitmap_;
  TProgressEvent OnProgress_;
  TTerminateEvent OnTerminate_;
  std::function<void(const platform::TBitmap24&, int64_t)> Previewer_;

  std::mutex HookLock_;      // guards HookInfo_
  std::mutex PreviewLock_;   // guards PreviewInfo_
  std::mutex ProgressLock_;  // guards ProgressInfo_
  std::recursive_mutex TerminateLock_;  // guards the batch bookkeeping and TerminateInfo_
  THookInfo HookInfo_;
  TPreviewInfo PreviewInfo_;
  TProgressInfo ProgressInfo_;
  TTerminateInfo TerminateInfo_;

  std::atomic<int> FinishedCount_{0};
  int NextTaskIndex_ = -1;
  int RemainingCount_ = 0;
  std::atomic<bool> AllTerminated_{false};
  std::atomic<bool> Threaded_{false};
  std::atomic<bool> Working_{false};

  std::atomic<bool> Preview_{false};
  std::atomic<bool> PreviewBitmap_{false};
  std::atomic<int> ProgressInterval_{500};
  std::atomic<TThreadPriority> ThreadPriority_{tpNormal};
  std::atomic<bool> TriggerEventInMainThread_{true};
  int DefaultVerbosity_ = 1;

  mutable std::mutex ErrorMutex_;  // guards LastError_
  std::string LastError_;
  std::unique_ptr<media::TMediaProbe> MediaProbe_;

  struct THelper {
    std::thread Thread;
    std::shared_ptr<std::atomic<bool>> Done;
  };
  std::mutex HelpersMutex_;  // guards Helpers_
  std::vector<THelper> Helpers_;
};

class TFFmpegEngine : public TCustomFFmpegEngine {
 public:
  // Checks the media libraries (Folder: where the program expects them). False: LastError.
  bool LoadMediaLibraries(const std::string& folder);
  // A new task with one input: its index, or -1 with LastError.
  int AddTask(const std::string& fileName, const TInputOptions* options = nullptr);
  // One more output of a task; False with LastError.
  bool SetOutputFile(int taskIndex, const std::string& fileName, const TOutputOptions* options = nullptr);
  void RemoveTask(int taskIndex);
  void ClearTasks();
  // ParallelCount > 0: that many tasks at once on conversion threads; otherwise every task runs
  // here, one after another, and the call returns when all are done.
  void StartTask(int parallelCount);
  void Pause();
  void Resume();
  void Stop(bool wait);
  int TaskCount() const;
  media::TMediaProbe& TaskProbe(int taskIndex, int inputIndex);

 private:
  TFFmpeg& TaskAt(int index) const;
  // Frees a task removed from the list, or keeps it until a waiting Stop returns.
  void Retire(std::unique_ptr<TFFmpeg> task);

  std::atomic<int> StopDepth_{0};  // Stop calls under way
  std::vector<std::unique_ptr<TFFmpeg>> Retired_;  // guarded by ListMutex_; freed after Stop
};

}  // namespace zanto::engine
