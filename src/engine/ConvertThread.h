#pragma once
// The threads of the engine: TConvertThread runs one task; TDoTerminateThread delivers one
// terminate notification from a short-lived thread of its own.
#include <functional>
#include <thread>

#include "engine/EngineEvents.h"

namespace zanto::engine {

// Applies a priority to the calling thread (nice value or SCHED_IDLE). Raising the priority
// above normal needs privileges the program usually lacks; that failure is ignored.
void ApplyThreadPriority(TThreadPriority priority);

// Created suspended: Resume starts the work. The owner joins it (Join) before freeing it.
class TConvertThread {
 public:
  TConvertThread(std::function<void()> work, TThreadPriority priority);
  ~TConvertThread();
  TConvertThread(const TConvertThread&) = delete;
  TConvertThread& operator=(const TConvertThread&) = delete;

  void Resume();
  // Waits for the work to end (no-op when it never started or runs on this very thread).
  void Join();

 private:
  std::function<void()> Work_;
  TThreadPriority Priority_;
  std::thread Thread_;
};

}  // namespace zanto::engine
