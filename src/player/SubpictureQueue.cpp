#include "player/SubpictureQueue.h"

namespace zanto::player {

bool TSubpictureQueue::WaitWritable() {
  std::unique_lock lock(Mutex_);
  Room_.wait(lock, [this] { return Aborted_ || static_cast<int>(Items_.size()) < kSize; });
  return !Aborted_;
}

void TSubpictureQueue::Push(std::unique_ptr<TSubpicture> sub) {
  std::lock_guard lock(Mutex_);
  if (!Aborted_) Items_.push_back(std::move(sub));
}

void TSubpictureQueue::MarkChanged() {
  {
    std::lock_guard lock(Mutex_);
    Changed_ = true;
  }
  Room_.notify_all();
}

void TSubpictureQueue::Abort() {
  {
    std::lock_guard lock(Mutex_);
    Aborted_ = true;
  }
  Room_.notify_all();
}

void TSubpictureQueue::Start() {
  std::lock_guard lock(Mutex_);
  Items_.clear();
  Changed_ = false;
  Aborted_ = false;
}

}  // namespace zanto::player
