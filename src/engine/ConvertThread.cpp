#include "engine/ConvertThread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zanto::engine {

void ApplyThreadPriority(TThreadPriority priority) {
  // On Linux a nice value set with the thread's own id applies to that thread alone.
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  if (priority == tpIdle) {
    sched_param param{};
    param.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
    return;
  }
  int niceValue = 0;
  switch (priority) {
    case tpLowest: niceValue = 15; break;
    case tpLower: niceValue = 5; break;
    case tpHigher: niceValue = -5; break;
    case tpHighest: niceValue = -10; break;
    case tpTimeCritical: niceValue = -15; break;
    default: niceValue = 0; break;
  }
  setpriority(PRIO_PROCESS, tid, niceValue);  // raising may fail without privileges: ignored
}

TConvertThread::TConvertThread(std::function<void()> work, TThreadPriority priority)
    : Work_(std::move(work)), Priority_(priority) {}

TConvertThread::~TConvertThread() {
  // A task freed from its own conversion thread cannot wait for itself.
  if (Thread_.joinable() && Thread_.get_id() == std::this_thread::get_id()) Thread_.detach();
  Join();
}

void TConvertThread::Resume() {
  if (Thread_.joinable()) return;
  Thread_ = std::thread([this] {
    ApplyThreadPriority(Priority_);
    Work_();
  });
}

void TConvertThread::Join() {
  if (Thread_.joinable() && Thread_.get_id() != std::this_thread::get_id()) Thread_.join();
}

}  // namespace zanto::engine
