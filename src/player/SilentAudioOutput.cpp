#include "player/SilentAudioOutput.h"

#include <vector>

namespace zanto::player {

TSilentAudioOutput::TSilentAudioOutput(TCallback callback, void* userdata, int samples,
                                       int bytesPerFrame, int rate)
    : Callback_(callback), Userdata_(userdata), Samples_(samples), BytesPerFrame_(bytesPerFrame),
      Rate_(rate) {}

TSilentAudioOutput::~TSilentAudioOutput() {
  {
    std::lock_guard lock(Mutex_);
    Stop_ = true;
  }
  StopRequested_.notify_all();
  if (Thread_.joinable()) Thread_.join();
}

void TSilentAudioOutput::Start() {
  if (!Thread_.joinable()) Thread_ = std::thread([this] { Run(); });
}

void TSilentAudioOutput::Run() {
  using Clock = std::chrono::steady_clock;
  std::vector<uint8_t> buffer(static_cast<size_t>(BufferBytes()));
  // Deadlines are counted from one start so that rounding never accumulates into a drift.
  auto start = Clock::now();
  int64_t calls = 0;
  std::unique_lock lock(Mutex_);
  while (!Stop_) {
    lock.unlock();
    Callback_(Userdata_, buffer.data(), static_cast<int>(buffer.size()));
    lock.lock();
    ++calls;
    auto due = start + std::chrono::nanoseconds(calls * Samples_ * INT64_C(1000000000) / Rate_);
    const auto now = Clock::now();
    if (now - due > std::chrono::milliseconds(200)) {
      // Far behind (the process was stopped or starved): go on from now instead of rushing.
      start = now;
      calls = 0;
      due = now;
    }
    StopRequested_.wait_until(lock, due, [this] { return Stop_; });
  }
}

}  // namespace zanto::player
