#pragma once
// Calls synchronised into the user-interface thread.
//
// Synchronize(fn) blocks the calling worker until the main thread has run fn (an exception fn
// raises is raised again in the worker); Queue(fn) returns at once. The main thread runs what is
// pending in CheckSynchronize(). A Qt program installs a wake-up that posts CheckSynchronize into
// its event loop; without Qt (command line, tests) whoever waits on the main thread pumps it,
// through WaitPumping, the one helper for every wait of the main thread.
#include <chrono>
#include <functional>
#include <thread>

namespace zanto::platform {

class TMainThread {
 public:
  using Task = std::function<void()>;

  // The thread that first calls this (or SetMainThread) is the main thread.
  static void SetMainThread(std::thread::id id = std::this_thread::get_id());
  static std::thread::id MainThreadId();
  static bool IsMainThread();

  static void Synchronize(Task fn);
  static void Queue(Task fn);
  // Runs every pending call; only on the main thread. Returns True when something ran.
  static bool CheckSynchronize();

  // Called (from any thread) whenever a call is queued, so an event loop can schedule
  // CheckSynchronize. Empty by default.
  static void SetWakeUp(std::function<void()> wakeUp);
  // Called by WaitPumping after each step on the main thread, to let a window system process its
  // events (Qt: QCoreApplication::processEvents). Empty by default.
  static void SetProcessEvents(std::function<void()> processEvents);

  // Waits until done() is true or the time-out passes. On the main thread it keeps running the
  // synchronised calls and window events in short steps, so a worker that synchronises while the
  // main thread waits for it cannot dead-lock. Returns done(). A negative time-out waits forever.
  static bool WaitPumping(const std::function<bool()>& done,
                          std::chrono::milliseconds timeout = std::chrono::milliseconds(-1),
                          std::chrono::milliseconds step = std::chrono::milliseconds(20));
};

}  // namespace zanto::platform
