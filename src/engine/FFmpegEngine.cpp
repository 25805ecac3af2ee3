// The component: properties, event delivery and the batch bookkeeping of ended tasks.
#include "engine/FFmpegEngine.h"

#include <stdexcept>

#include "engine/FFmpegException.h"
#include "media/MediaLogger.h"
#include "media/MediaProbe.h"
#include "platform/MainThread.h"

namespace zanto::engine {

using platform::TMainThread;

TCustomFFmpegEngine::TCustomFFmpegEngine() : MediaProbe_(std::make_unique<media::TMediaProbe>()) {}

TCustomFFmpegEngine::~TCustomFFmpegEngine() {
  // Whatever still runs is stopped and waited for; handlers may still synchronise meanwhile.
  {
    std::lock_guard lock(TerminateLock_);
    RemainingCount_ = 0;
  }
  std::vector<std::unique_ptr<TFFmpeg>> tasks;
  {
    std::lock_guard lock(ListMutex_);
    for (auto& task : Tasks_) task->RequestStop();
  }
  {
    std::lock_guard lock(ListMutex_);
    for (auto& task : Tasks_)
      if (task->Running()) task->ThreadDone.WaitPumping();
  }
  JoinHelpers();
  // Every event lock is taken once, so no delivery is half way.
  { std::lock_guard a(HookLock_); }
  { std::lock_guard b(PreviewLock_); }
  { std::lock_guard c(ProgressLock_); }
  { std::lock_guard d(TerminateLock_); }
  {
    std::lock_guard lock(ListMutex_);
    tasks.swap(Tasks_);
  }
  tasks.clear();
  JoinHelpers();
}

void TCustomFFmpegEngine::SetPreview(bool value) {
  Preview_ = value;
  std::lock_guard lock(ListMutex_);
  for (auto& task : Tasks_) {
    if (value) task->PreviewFlags |= kPreviewWindow;
    else task->PreviewFlags &= ~kPreviewWindow;
  }
}

void TCustomFFmpegEngine::SetPreviewBitmap(bool value) {
  PreviewBitmap_ = value;
  std::lock_guard lock(ListMutex_);
  for (auto& task : Tasks_) {
    if (value) task->PreviewFlags |= kPreviewBitmap;
    else task->PreviewFlags &= ~kPreviewBitmap;
  }
}

void TCustomFFmpegEngine::SetOnCustomHook(TCustomHookEvent handler) {
  std::lock_guard lock(HandlersMutex_);
  OnCustomHook_ = std::move(handler);
}
void TCustomFFmpegEngine::SetOnPreviewBitmap(TPreviewBitmapEvent handler) {
  std::lock_guard lock(HandlersMutex_);
  OnPreviewBitmap_ = std::move(handler);
}
void TCustomFFmpegEngine::SetOnProgress(TProgressEvent handler) {
  std::lock_guard lock(HandlersMutex_);
  OnProgress_ = std::move(handler);
}
void TCustomFFmpegEngine::SetOnTerminate(TTerminateEvent handler) {
  std::lock_guard lock(HandlersMutex_);
  OnTerminate_ = std::move(handler);
}
void TCustomFFmpegEngine::SetPreviewer(std::function<void(const platform::TBitmap24&, int64_t)> previewer) {
  std::lock_guard lock(HandlersMutex_);
  Previewer_ = std::move(previewer);
}

std::string TCustomFFmpegEngine::LastError() const {
  std::lock_guard lock(ErrorMutex_);
  return LastError_;
}

void TCustomFFmpegEngine::SetLastError(const std::string& text) {
  std::lock_guard lock(ErrorMutex_);
  LastError_ = text;
}

bool TCustomFFmpegEngine::HasProgressHandler() const {
  std::lock_guard lock(HandlersMutex_);
  return static_cast<bool>(OnProgress_);
}
bool TCustomFFmpegEngine::HasPreviewHandler() const {
  std::lock_guard lock(HandlersMutex_);
  return static_cast<bool>(OnPreviewBitmap_);
}
bool TCustomFFmpegEngine::HasHookHandler() const {
  std::lock_guard lock(HandlersMutex_);
  return static_cast<bool>(OnCustomHook_);
}

int TCustomFFmpegEngine::IndexOf(const TCustomFFmpeg& task) const {
  std::lock_guard lock(ListMutex_);
  for (size_t i = 0; i < Tasks_.size(); ++i)
    if (Tasks_[i].get() == &task) return static_cast<int>(i);
  return -1;
}

void TCustomFFmpegEngine::CheckIdle(const char* operation) const {
  if (Working_) throw FFmpegException::Format("Cannot %s while working.", operation);
}

void TCustomFFmpegEngine::TaskProgress(TCustomFFmpeg& task, const TProgressInfo& info) {
  TProgressEvent handler;
  {
    std::lock_guard lock(HandlersMutex_);
    handler = OnProgress_;
  }
  if (!handler) return;
  std::lock_guard lock(ProgressLock_);
  ProgressInfo_ = info;
  ProgressInfo_.TaskIndex = IndexOf(task);
  if (TriggerEventInMainThread_ && !TMainThread::IsMainThread())
    TMainThread::Synchronize([&] { handler(this, &ProgressInfo_); });
  else
    handler(this, &ProgressInfo_);
}

void TCustomFFmpegEngine::TaskPreview(TCustomFFmpeg& task, const TPreviewInfo& info) {
  TPreviewBitmapEvent handler;
  {
    std::lock_guard lock(HandlersMutex_);
    handler = OnPreviewBitmap_;
  }
  if (!handler) return;
  std::lock_guard lock(PreviewLock_);
  PreviewInfo_ = info;
  PreviewInfo_.TaskIndex = IndexOf(task);
  if (TriggerEventInMainThread_ && !TMainThread::IsMainThread())
    TMainThread::Synchronize([&] { handler(this, PreviewInfo_); });
  else
    handler(this, PreviewInfo_);
}

void TCustomFFmpegEngine::TaskHook(TCustomFFmpeg& task, THookInfo& info) {
  TCustomHookEvent handler;
  {
    std::lock_guard lock(HandlersMutex_);
    handler = OnCustomHook_;
  }
  if (!handler || !info.Bitmap) return;
  std::lock_guard lock(HookLock_);
  HookInfo_ = info;
  HookInfo_.TaskIndex = IndexOf(task);
  {
    platform::TCanvasLock canvas(*info.Bitmap);
    // Whatever the handler raises reaches the task, which logs it; the flags stay as they were.
    handler(this, &HookInfo_);
  }
  info.Update = HookInfo_.Update;
  info.StopHook = HookInfo_.StopHook;
}

void TCustomFFmpegEngine::SpawnHelper(std::function<void()> work) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::lock_guard lock(HelpersMutex_);
  // Helpers that have finished are joined here, so the list stays short.
  for (auto it = Helpers_.begin(); it != Helpers_.end();) {
    if (*it->Done && it->Thread.get_id() != std::this_thread::get_id()) {
      if (it->Thread.joinable()) it->Thread.join();
      it = Helpers_.erase(it);
    } else {
      ++it;
    }
  }
  Helpers_.push_back({std::thread([work = std::move(work), done] {
                        work();
                        *done = true;
                      }),
                      done});
}

void TCustomFFmpegEngine::JoinHelpers() {
  while (true) {
    THelper helper;
    {
      std::lock_guard lock(HelpersMutex_);
      if (Helpers_.empty()) return;
      helper = std::move(Helpers_.back());
      Helpers_.pop_back();
    }
    if (helper.Thread.get_id() == std::this_thread::get_id()) {
      helper.Thread.detach();
      continue;
    }
    if (TMainThread::IsMainThread()) TMainThread::WaitPumping([&] { return helper.Done->load(); });
    if (helper.Thread.joinable()) helper.Thread.join();
  }
}

void TCustomFFmpegEngine::DeliverTerminate(const TTerminateInfo& info, TManualEvent* done) {
  TTerminateEvent handler;
  {
    std::lock_guard lock(HandlersMutex_);
    handler = OnTerminate_;
  }
  if (!handler) return;
  if (Threaded_) {
    if (done) done->Reset();
    SpawnHelper([this, handler, info, done] {
      try {
        handler(this, info);
      } catch (const std::exception& e) {
        media::GetLogger().LogMessage(this, media::llError, e.what());
      }
      if (done) done->Set();
    });
  } else {
    handler(this, info);
  }
}

void TCustomFFmpegEngine::TaskTerminated(TCustomFFmpeg& task) {
  std::lock_guard lock(TerminateLock_);
  TerminateInfo_.TaskIndex = IndexOf(task);
  TerminateInfo_.Finished = task.Finished();
  TerminateInfo_.Exception = task.ExceptionRaised();
  TerminateInfo_.ExceptionMsg = task.ExceptionMsg();
  DeliverTerminate(TerminateInfo_, nullptr);
  ++FinishedCount_;
  if (RemainingCount_ < 1) {
    int count;
    {
      std::lock_guard listLock(ListMutex_);
      count = static_cast<int>(Tasks_.size());
    }
    if (FinishedCount_ >= count && !AllTerminated_) {
      // The state changes before the event goes out: its handler (on a thread of its own) may
      // already clear the list, and that is refused while the batch still counts as working.
      AllTerminated_ = true;
      TTerminateInfo batch;
      batch.TaskIndex = -1;
      batch.Finished = true;
      DeliverTerminate(batch, nullptr);
    }
  } else if (Threaded_) {
    StartNextTask();
  }
}

void TCustomFFmpegEngine::StartNextTask() {
  TFFmpeg* task = nullptr;
  {
    std::lock_guard lock(TerminateLock_);
    if (RemainingCount_ <= 0) return;
    --RemainingCount_;
    std::lock_guard listLock(ListMutex_);
    task = Tasks_[static_cast<size_t>(NextTaskIndex_)].get();
    ++NextTaskIndex_;
    task->ProgressIntervalUs = static_cast<int64_t>(ProgressInterval_) * 1000;
  }
  if (TConvertThread* thread = task->Start(Threaded_, ThreadPriority_)) thread->Resume();
}

}  // namespace zanto::engine
