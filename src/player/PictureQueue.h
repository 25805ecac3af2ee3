#pragma once
// The decoded pictures waiting to be shown: two slots filled by the video thread and emptied by
// the refresh. The producer blocks while both are full; Abort wakes it for good.
#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "media/FFmpegPtr.h"
#include "player/DisplaySink.h"

namespace zanto::player {

struct TPictureInfo {
  media::FramePtr Frame;  // a reference to the slot's picture (YUV420P)
  double PtsSeconds = 0;
  double TargetClock = 0;  // system time (s) at which the picture is due
  int64_t BytePos = -1;
  TDisplayImagePtr Image;  // the picture already scaled for the output area, when prepared
};

class TPictureQueue {
 public:
  static constexpr int kSize = 2;

  // Producer: waits for a free slot; False when aborted.
  bool WaitWritable();
  // Producer: stores a picture in the free slot and makes it visible to the consumer.
  void Push(const AVFrame* frame, double ptsSeconds, double targetClock, int64_t bytePos,
            TDisplayImagePtr image = nullptr);
  // Flush: every queued picture becomes due at once, then waits until the consumer emptied the
  // queue; False when aborted.
  bool ResetAndWaitEmpty();

  // Consumer: the picture at offset 0 (next) or 1 after it; False when not queued.
  bool Peek(int offset, TPictureInfo& info) const;
  // Consumer: removes the next picture and wakes the producer.
  void Pop();
  int Size() const;
  bool Full() const { return Size() >= kSize; }

  // Abort wakes every waiter and refuses further waits; Start clears it and the slots.
  void Abort();
  void Start();

 private:
  struct TSlot {
    media::FramePtr Frame;
    double PtsSeconds = 0;
    double TargetClock = 0;
    int64_t BytePos = -1;
    TDisplayImagePtr Image;
  };
  // Mutex_ guards the slots, Size_, Read_, Write_ and Aborted_; Changed_ is signalled on every
  // push, pop and abort.
  mutable std::mutex Mutex_;
  std::condition_variable Changed_;
  std::array<TSlot, kSize> Slots_;
  int Size_ = 0, Read_ = 0, Write_ = 0;
  bool Aborted_ = false;
};

}  // namespace zanto::player
