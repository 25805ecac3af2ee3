#include "player/PictureQueue.h"

namespace zanto::player {

bool TPictureQueue::WaitWritable() {
  std::unique_lock lock(Mutex_);
  Changed_.wait(lock, [this] { return Aborted_ || Size_ < kSize; });
  return !Aborted_;
}

void TPictureQueue::Push(const AVFrame* frame, double ptsSeconds, double targetClock,
                         int64_t bytePos, TDisplayImagePtr image) {
  media::FramePtr copy(av_frame_clone(frame));
  {
    std::lock_guard lock(Mutex_);
    if (Aborted_ || Size_ >= kSize) return;
    TSlot& slot = Slots_[Write_];
    slot.Frame = std::move(copy);
    slot.PtsSeconds = ptsSeconds;
    slot.TargetClock = targetClock;
    slot.BytePos = bytePos;
    slot.Image = std::move(image);
    Write_ = (Write_ + 1) % kSize;
    ++Size_;
  }
  Changed_.notify_all();
}

bool TPictureQueue::ResetAndWaitEmpty() {
  std::unique_lock lock(Mutex_);
  for (int i = 0; i < Size_; ++i) Slots_[(Read_ + i) % kSize].TargetClock = 0;
  Changed_.wait(lock, [this] { return Aborted_ || Size_ == 0; });
  return !Aborted_;
}

bool TPictureQueue::Peek(int offset, TPictureInfo& info) const {
  std::lock_guard lock(Mutex_);
  if (offset >= Size_) return false;
  const TSlot& slot = Slots_[(Read_ + offset) % kSize];
  info.Frame.reset(slot.Frame ? av_frame_clone(slot.Frame.get()) : nullptr);
  info.PtsSeconds = slot.PtsSeconds;
  info.TargetClock = slot.TargetClock;
  info.BytePos = slot.BytePos;
  info.Image = slot.Image;
  return true;
}

void TPictureQueue::Pop() {
  {
    std::lock_guard lock(Mutex_);
    if (Size_ == 0) return;
    Read_ = (Read_ + 1) % kSize;
    --Size_;
  }
  Changed_.notify_all();
}

int TPictureQueue::Size() const {
  std::lock_guard lock(Mutex_);
  return Size_;
}

void TPictureQueue::Abort() {
  {
    std::lock_guard lock(Mutex_);
    Aborted_ = true;
  }
  Changed_.notify_all();
}

void TPictureQueue::Start() {
  std::lock_guard lock(Mutex_);
  for (TSlot& slot : Slots_) slot = TSlot();
  Size_ = Read_ = Write_ = 0;
  Aborted_ = false;
}

}  // namespace zanto::player
