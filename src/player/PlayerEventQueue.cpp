#include "player/PlayerEventQueue.h"

namespace zanto::player {

// The ring keeps the newest entry at Write_ and the oldest at Read_ + 1: an index pair with
// Read_ == Write_ is empty, so it holds at most kCapacity - 1 undelivered events.
void TPlayerEventQueue::Post(const TPlayerEvent& event) {
  {
    std::lock_guard lock(Mutex_);
    if (Read_ == Write_ || Ring_[Write_].Kind != event.Kind) {
      Write_ = (Write_ + 1) % kCapacity;
      if (Write_ == Read_) Read_ = (Read_ + 1) % kCapacity;  // full: lose the oldest
    }
    Ring_[Write_] = event;
  }
  Ready_.notify_all();
}

bool TPlayerEventQueue::Take(TPlayerEvent& event) {
  std::lock_guard lock(Mutex_);
  if (Read_ == Write_) return false;
  Read_ = (Read_ + 1) % kCapacity;
  event = Ring_[Read_];
  return true;
}

bool TPlayerEventQueue::WaitReady(std::chrono::milliseconds timeout) {
  std::unique_lock lock(Mutex_);
  return Ready_.wait_for(lock, timeout, [this] { return Read_ != Write_; });
}

void TPlayerEventQueue::Clear() {
  std::lock_guard lock(Mutex_);
  Read_ = Write_ = 0;
}

bool TPlayerEventQueue::Empty() const {
  std::lock_guard lock(Mutex_);
  return Read_ == Write_;
}

}  // namespace zanto::player
