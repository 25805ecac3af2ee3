#include "platform/MainThread.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

namespace zanto::platform {
namespace {

// One synchronised call; Synchronize waits on Done.
struct Call {
  TMainThread::Task Fn;
  bool Waited = false;
  bool Done = false;
  std::exception_ptr Error;
};

// Mutex guards Pending, the Done flags of the calls and the two hooks; Changed is signalled
// when a call is queued or completed.
struct State {
  std::mutex Mutex;
  std::condition_variable Changed;
  std::deque<std::shared_ptr<Call>> Pending;
  std::thread::id MainId = std::this_thread::get_id();
  std::function<void()> WakeUp;
  std::function<void()> ProcessEvents;
};

State& S() {
  static State state;
  return state;
}

void Post(const std::shared_ptr<Call>& call) {
  std::function<void()> wakeUp;
  {
    std::lock_guard lock(S().Mutex);
    S().Pending.push_back(call);
    wakeUp = S().WakeUp;
  }
  S().Changed.notify_all();
  if (wakeUp) wakeUp();
}

}  // namespace

void TMainThread::SetMainThread(std::thread::id id) {
  std::lock_guard lock(S().Mutex);
  S().MainId = id;
}

std::thread::id TMainThread::MainThreadId() {
  std::lock_guard lock(S().Mutex);
  return S().MainId;
}

bool TMainThread::IsMainThread() { return std::this_thread::get_id() == MainThreadId(); }

void TMainThread::Synchronize(Task fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  auto call = std::make_shared<Call>();
  call->Fn = std::move(fn);
  call->Waited = true;
  Post(call);
  std::unique_lock lock(S().Mutex);
  S().Changed.wait(lock, [&] { return call->Done; });
  if (call->Error) std::rethrow_exception(call->Error);
}

void TMainThread::Queue(Task fn) {
  auto call = std::make_shared<Call>();
  call->Fn = std::move(fn);
  Post(call);
}

bool TMainThread::CheckSynchronize() {
  if (!IsMainThread()) return false;
  bool ran = false;
  for (;;) {
    std::shared_ptr<Call> call;
    {
      std::lock_guard lock(S().Mutex);
      if (S().Pending.empty()) break;
      call = S().Pending.front();
      S().Pending.pop_front();
    }
    ran = true;
    try {
      call->Fn();
    } catch (...) {
      // A waiting worker gets the error back; a queued call has nobody to tell.
      if (call->Waited) call->Error = std::current_exception();
    }
    {
      std::lock_guard lock(S().Mutex);
      call->Done = true;
      // A waiting worker owns the call, and the error it raises again, from here on: it must
      // also be the one that frees them.
      call.reset();
    }
    S().Changed.notify_all();
  }
  return ran;
}

void TMainThread::SetWakeUp(std::function<void()> wakeUp) {
  std::lock_guard lock(S().Mutex);
  S().WakeUp = std::move(wakeUp);
}

void TMainThread::SetProcessEvents(std::function<void()> processEvents) {
  std::lock_guard lock(S().Mutex);
  S().ProcessEvents = std::move(processEvents);
}

bool TMainThread::WaitPumping(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                              std::chrono::milliseconds step) {
  const bool onMain = IsMainThread();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (onMain) {
      CheckSynchronize();
      std::function<void()> processEvents;
      {
        std::lock_guard lock(S().Mutex);
        processEvents = S().ProcessEvents;
      }
      if (processEvents) processEvents();
    }
    if (done()) return true;
    if (timeout.count() >= 0 && std::chrono::steady_clock::now() >= deadline) return done();
    // Wake early when a synchronised call arrives, so a worker never waits a whole step.
    std::unique_lock lock(S().Mutex);
    S().Changed.wait_for(lock, step, [&] { return onMain && !S().Pending.empty(); });
  }
}

}  // namespace zanto::platform
