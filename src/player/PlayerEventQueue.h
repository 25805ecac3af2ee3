#pragma once
// The events waiting for the event thread: a ring of 10. A new event of the same kind as the
// newest undelivered one replaces it (a newer position or state supersedes the older); when the
// ring is full the oldest undelivered event is lost.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "player/PlayerTypes.h"

namespace zanto::player {

enum TPlayerEventKind { ekPosition = 1, ekState = 2, ekEnd = 3 };

struct TPlayerEvent {
  TPlayerEventKind Kind = ekPosition;
  TPlayState State = psPlay;
  int64_t PositionUs = 0;
};

class TPlayerEventQueue {
 public:
  static constexpr int kCapacity = 10;

  void Post(const TPlayerEvent& event);
  // Takes the oldest event; False when empty.
  bool Take(TPlayerEvent& event);
  // Waits until an event is waiting or the time-out passes; True when one is waiting.
  bool WaitReady(std::chrono::milliseconds timeout);
  void Clear();
  bool Empty() const;

 private:
  // Mutex_ guards the ring and its indexes; Ready_ is signalled by Post.
  mutable std::mutex Mutex_;
  std::condition_variable Ready_;
  std::array<TPlayerEvent, kCapacity> Ring_{};
  int Read_ = 0;   // oldest entry
  int Write_ = 0;  // newest entry; equal to Read_ when empty
};

}  // namespace zanto::player
