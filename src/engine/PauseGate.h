#pragma once
// The pause gate of a conversion thread. POSIX cannot suspend a thread from outside, so the
// worker passes this gate at safe points of its loop; while the gate is closed it waits there
// with all its state intact and continues where it stopped once the gate opens again.
#include <condition_variable>
#include <mutex>

#include "platform/MainThread.h"

namespace zanto::engine {

class TPauseGate {
 public:
  void Close() {
    std::lock_guard lock(Mutex_);
    Closed_ = true;
  }
  void Open() {
    {
      std::lock_guard lock(Mutex_);
      Closed_ = false;
    }
    Changed_.notify_all();
  }
  bool IsClosed() const {
    std::lock_guard lock(Mutex_);
    return Closed_;
  }
  // Blocks while the gate is closed.
  void Pass() {
    std::unique_lock lock(Mutex_);
    Changed_.wait(lock, [this] { return !Closed_; });
  }

 private:
  mutable std::mutex Mutex_;  // guards Closed_
  std::condition_variable Changed_;
  bool Closed_ = false;
};

// A manual-reset event: Set wakes every waiter and stays set until Reset.
class TManualEvent {
 public:
  explicit TManualEvent(bool signalled) : Set_(signalled) {}
  // Notifies under the lock: a waiter that sees the event set may free it at once, so the
  // setter must be done with it before anyone can see the new state.
  void Set() {
    std::lock_guard lock(Mutex_);
    Set_ = true;
    Changed_.notify_all();
  }
  void Reset() {
    std::lock_guard lock(Mutex_);
    Set_ = false;
  }
  bool IsSet() const {
    std::lock_guard lock(Mutex_);
    return Set_;
  }
  void Wait() {
    std::unique_lock lock(Mutex_);
    Changed_.wait(lock, [this] { return Set_; });
  }
  // Waits until set; on the main thread the synchronised calls keep running meanwhile, so a
  // handler that synchronises with it cannot dead-lock the wait.
  void WaitPumping() {
    if (platform::TMainThread::IsMainThread())
      platform::TMainThread::WaitPumping([this] { return IsSet(); });
    else
      Wait();
  }

 private:
  mutable std::mutex Mutex_;  // guards Set_
  std::condition_variable Changed_;
  bool Set_;
};

}  // namespace zanto::engine
