#pragma once
// A sound output that plays nothing but asks for samples at exactly the real rate: what the
// player uses on a machine without a sound card. SDL's own "dummy" driver asks for samples 0.4
// to 4 % faster than real time (measured), which drags the audio clock ahead and makes the
// video drop a picture every few seconds to keep up.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace zanto::player {

class TSilentAudioOutput {
 public:
  using TCallback = void (*)(void* userdata, uint8_t* stream, int len);

  // Each call of callback takes `samples` sample frames of `bytesPerFrame` bytes at `rate` Hz.
  TSilentAudioOutput(TCallback callback, void* userdata, int samples, int bytesPerFrame, int rate);
  ~TSilentAudioOutput();  // stops and waits for the callback thread
  TSilentAudioOutput(const TSilentAudioOutput&) = delete;
  TSilentAudioOutput& operator=(const TSilentAudioOutput&) = delete;

  void Start();
  int BufferBytes() const { return Samples_ * BytesPerFrame_; }

 private:
  void Run();

  TCallback Callback_;
  void* Userdata_;
  int Samples_;
  int BytesPerFrame_;
  int Rate_;
  std::mutex Mutex_;
  std::condition_variable StopRequested_;
  bool Stop_ = false;
  std::thread Thread_;
};

}  // namespace zanto::player
