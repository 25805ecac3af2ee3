// The task operations of the component: the list, the batch start, pause, resume and stop.
#include <stdexcept>

#include "engine/FFmpegEngine.h"
#include "engine/FFmpegException.h"
#include "engine/OptionParser.h"
#include "media/MediaLoader.h"


namespace zanto::engine {


bool TFFmpegEngine::LoadMediaLibraries(const std::string& folder) {
  std::string error;
  if (media::LoadMediaLibraries(folder, error)) return true;
  SetLastError(error);
  return false;
}

TFFmpeg& TFFmpegEngine::TaskAt(int index) const {
  std::lock_guard lock(ListMutex_);
  if (index < 0 || index >= static_cast<int>(Tasks_.size()))
    throw std::out_of_range(FFmpegException::Format("List index out of bounds (%d)", index).what());
  return *Tasks_[static_cast<size_t>(index)];
}

int TFFmpegEngine::TaskCount() const {
  std::lock_guard lock(ListMutex_);
  return static_cast<int>(Tasks_.size());
}

media::TMediaProbe& TFFmpegEngine::TaskProbe(int taskIndex, int inputIndex) {
  TFFmpeg& task = TaskAt(taskIndex);
  auto& inputs = task.Inputs();
  if (inputIndex < 0 || inputIndex >= static_cast<int>(inputs.size()) || !inputs[inputIndex].Probe)
    throw std::out_of_range(FFmpegException::Format("List index out of bounds (%d)", inputIndex).what());
  return *inputs[static_cast<size_t>(inputIndex)].Probe;
}

int TFFmpegEngine::AddTask(const std::string& fileName, const TInputOptions* options) {
  CheckIdle("AddTask");
  auto task = std::make_unique<TFFmpeg>();
  try {
    task->ResetToDefaults();
    task->State().Verbosity = DefaultVerbosity_;
    task->PreviewFlags = (Preview_ ? kPreviewWindow : 0) | (PreviewBitmap_ ? kPreviewBitmap : 0);
    task->PreviewTarget = this;
    {
      std::lock_guard lock(HandlersMutex_);
      task->Previewer = Previewer_;
    }
    std::string name = fileName;
    if (options) {
      TInputOptions copy = *options;
      if (copy.FileName.empty()) copy.FileName = fileName;
      name = copy.FileName;
      task->InputRecords.push_back(copy);
      ApplyInputOptions(task->State(), *task, copy);
    }
    if (!task->OpenInputFile(name)) {
      SetLastError(task->LastErrorText());
      return -1;
    }
    auto probe = std::make_shared<media::TMediaProbe>();
    probe->AttachContext(task->Inputs().back().Context.get());
    task->Inputs().back().Probe = std::move(probe);
    task->ProgressTarget = this;
    task->TerminateTarget = this;
  } catch (const std::exception& e) {
    SetLastError(e.what());
    return -1;
  }
  std::lock_guard lock(ListMutex_);
  Tasks_.push_back(std::move(task));
  return static_cast<int>(Tasks_.size()) - 1;
}

bool TFFmpegEngine::SetOutputFile(int taskIndex, const std::string& fileName,
                                  const TOutputOptions* options) {
  CheckIdle("SetOutputFile");
  TFFmpeg& task = TaskAt(taskIndex);
  if (task.OutputFileCount() >= kMaxFiles) {
    SetLastError(FFmpegException::Format("max output files %d reached", kMaxFiles).what());
    return false;
  }
  const int outputsBefore = task.OutputFileCount();
  std::optional<TOutputOptions> copy;
  if (options) {
    copy = *options;
    if (copy->FileName.empty()) copy->FileName = fileName;
  }
  const std::string name = copy ? copy->FileName : fileName;
  task.OutputRecords.push_back(copy);
  try {
    if (copy && copy->CustomHook) task.HookTarget = this;
    if (!ApplyOutputOptions(task.State(), task, name, copy ? &*copy : nullptr)) {
      SetLastError(task.LastErrorText());
      task.OutputRecords.pop_back();
      return false;
    }
  } catch (const std::exception& e) {
    SetLastError(e.what());
    task.OutputRecords.pop_back();
    while (task.OutputFileCount() > outputsBefore) task.DropLastOutput();
    return false;
  }
  return true;
}

void TFFmpegEngine::RemoveTask(int taskIndex) {
  CheckIdle("RemoveTask");
  TaskAt(taskIndex);
  std::unique_ptr<TFFmpeg> removed;
  {
    std::lock_guard lock(ListMutex_);
    removed = std::move(Tasks_[static_cast<size_t>(taskIndex)]);
    Tasks_.erase(Tasks_.begin() + taskIndex);
  }
  Retire(std::move(removed));
}

void TFFmpegEngine::Retire(std::unique_ptr<TFFmpeg> task) {
  // A waiting Stop keeps running synchronised calls, and one of them may clear the list: the
  // tasks that Stop still waits for are freed when it returns, not under its feet.
  if (StopDepth_ > 0) {
    std::lock_guard lock(ListMutex_);
    Retired_.push_back(std::move(task));
  }
}

void TFFmpegEngine::ClearTasks() {
  if (Working_ && !AllTerminated_) throw FFmpegException("Cannot ClearTasks while working.");
  std::vector<std::unique_ptr<TFFmpeg>> tasks;
  {
    std::lock_guard lock(ListMutex_);
    tasks.swap(Tasks_);
  }
  for (auto& task : tasks) Retire(std::move(task));
  tasks.clear();  // each task waits for its own thread
  SetLastError("");
  std::lock_guard lock(TerminateLock_);
  FinishedCount_ = 0;
  NextTaskIndex_ = -1;
  RemainingCount_ = 0;
  AllTerminated_ = false;
  Threaded_ = false;
  Working_ = false;
}

void TFFmpegEngine::StartTask(int parallelCount) {
  CheckIdle("StartTask");
  {
    std::lock_guard lock(TerminateLock_);
    FinishedCount_ = 0;
    NextTaskIndex_ = 0;
    RemainingCount_ = TaskCount();
    AllTerminated_ = false;
    Threaded_ = parallelCount > 0;
    Working_ = true;
    if (RemainingCount_ == 0) {
      // Nothing to run: the batch ends at once, so the component does not stay working.
      AllTerminated_ = true;
      TTerminateInfo batch;
      batch.TaskIndex = -1;
      batch.Finished = true;
      DeliverTerminate(batch, nullptr);
      return;
    }
  }
  if (!Threaded_) {
    while (true) {
      {
        std::lock_guard lock(TerminateLock_);
        if (RemainingCount_ <= 0) break;
      }
      StartNextTask();
    }
    return;
  }
  // The terminate lock keeps a task that ends at once from starting the next one twice.
  std::lock_guard lock(TerminateLock_);
  while (RemainingCount_ > 0) {
    StartNextTask();
    if (parallelCount <= 1) break;
    --parallelCount;
  }
}

void TFFmpegEngine::Pause() {
  std::lock_guard lock(ListMutex_);
  for (auto& task : Tasks_)
    if (task->Running()) task->Pause();
}

void TFFmpegEngine::Resume() {
  std::lock_guard lock(ListMutex_);
  for (auto& task : Tasks_) task->Resume();
}

void TFFmpegEngine::Stop(bool wait) {
  {
    std::lock_guard lock(TerminateLock_);
    RemainingCount_ = 0;
  }
  ++StopDepth_;
  struct TStopScope {
    TFFmpegEngine& Engine;
    ~TStopScope() {
      if (--Engine.StopDepth_ > 0) return;
      std::vector<std::unique_ptr<TFFmpeg>> retired;
      {
        std::lock_guard lock(Engine.ListMutex_);
        retired.swap(Engine.Retired_);
      }
    }
  } scope{*this};
  std::vector<TFFmpeg*> tasks;
  {
    std::lock_guard lock(ListMutex_);
    for (auto& task : Tasks_) tasks.push_back(task.get());
  }
  for (TFFmpeg* task : tasks) {
    if (task->Running()) {
      task->RequestStop();
      if (wait) task->ThreadDone.WaitPumping();
    } else if (!task->Terminated()) {
      // Never ran: terminated from a thread of its own (Finished False, Exception False).
      task->TerminateDone.Reset();
      SpawnHelper([task] {
        task->TerminateUnstarted();
        task->TerminateDone.Set();
      });
      if (wait) task->TerminateDone.WaitPumping();
    }
  }
}

}  // namespace zanto::engine
