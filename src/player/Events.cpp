// The event thread: delivers positions and states to the caller, through the main thread by
// default, so handlers may touch the user interface.
#include "platform/MainThread.h"
#include "player/Playback.h"
#include "player/PreviewPlayer.h"

namespace zanto::player {

using namespace std::chrono_literals;

void TCustomPlayer::PostEvent(const TPlayerEvent& event) { Events_.Post(event); }

void TCustomPlayer::RaiseState(TPlayState state) {
  LastState_ = state;
  bool hasHandler;
  {
    std::lock_guard lock(HandlersMutex_);
    hasHandler = static_cast<bool>(OnState_);
  }
  if (hasHandler)
    PostEvent({ekState, state, 0});
  else if (state == psStop)
    PostEvent({ekEnd, state, 0});
}

void TCustomPlayer::RaiseWarmupPause() {
  std::lock_guard lock(WarmupMutex_);
  if (PlayStarted_)
    RaiseState(psPause);
  else
    WarmupPausePending_ = true;
}

template <typename Fn>
void TCustomPlayer::CallHandler(Fn&& fn) {
  auto counted = [this, &fn] {
    ++HandlerDepth_;
    try {
      fn();
    } catch (...) {
      --HandlerDepth_;
      throw;
    }
    --HandlerDepth_;
  };
  if (TriggerEventInMainThread && !platform::TMainThread::IsMainThread())
    platform::TMainThread::Synchronize(counted);
  else
    counted();
}

void TCustomPlayer::EventThreadMain(uint64_t generation, std::shared_ptr<std::atomic<bool>> done) {
  bool running = true;
  while (running && generation == EventGeneration_) {
    TPlayerEvent event;
    if (!Events_.Take(event)) {
      Events_.WaitReady(100ms);
      continue;
    }
    try {
      switch (event.Kind) {
        case ekPosition:
          CallHandler([this, event] {
            TPositionEvent handler;
            {
              std::lock_guard lock(HandlersMutex_);
              handler = OnPosition_;
            }
            if (handler) handler(this, event.PositionUs);
          });
          break;
        case ekState:
          CallHandler([this, event] {
            TPlayStateEvent handler;
            {
              std::lock_guard lock(HandlersMutex_);
              handler = OnState_;
            }
            if (handler) handler(this, event.State);
          });
          if (event.State == psStop) running = false;
          break;
        case ekEnd:
          running = false;
          break;
      }
    } catch (const std::exception& e) {
      Log(media::llError, std::string("Error occurs in an event handler: ") + e.what());
      if (event.Kind == ekState && event.State == psStop) running = false;
    }
  }
  *done = true;
}

}  // namespace zanto::player
