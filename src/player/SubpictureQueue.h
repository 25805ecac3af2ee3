#pragma once
// The decoded subtitles waiting to be shown (at most 4), filled by the subtitle thread and
// consumed by the refresh.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "media/FFmpeg.h"

namespace zanto::player {

struct TSubpicture {
  double PtsSeconds = 0;
  AVSubtitle Sub{};
  TSubpicture() = default;
  TSubpicture(const TSubpicture&) = delete;
  TSubpicture& operator=(const TSubpicture&) = delete;
  ~TSubpicture() { avsubtitle_free(&Sub); }
  double Start() const { return PtsSeconds + Sub.start_display_time / 1000.0; }
  double End() const { return PtsSeconds + Sub.end_display_time / 1000.0; }
};

class TSubpictureQueue {
 public:
  static constexpr int kSize = 4;

  // Producer: waits for room; False when aborted.
  bool WaitWritable();
  void Push(std::unique_ptr<TSubpicture> sub);
  // Consumer: drops what the picture at time t no longer shows, then blends what it shows
  // through fn (called under the queue's lock).
  template <typename Fn>
  void ForCurrent(double pictureTime, Fn&& fn);
  // Marks the stream changed: the consumer frees everything queued at its next look.
  void MarkChanged();
  void Abort();
  void Start();

 private:
  // Mutex_ guards Items_, Changed_ and Aborted_; Room_ wakes the producer.
  std::mutex Mutex_;
  std::condition_variable Room_;
  std::deque<std::unique_ptr<TSubpicture>> Items_;
  bool Changed_ = false;
  bool Aborted_ = false;
};

template <typename Fn>
void TSubpictureQueue::ForCurrent(double pictureTime, Fn&& fn) {
  std::unique_lock lock(Mutex_);
  bool freed = false;
  if (Changed_) {
    Items_.clear();
    Changed_ = false;
    freed = true;
  } else {
    while (!Items_.empty() &&
           (Items_.front()->End() < pictureTime ||
            (Items_.size() > 1 && Items_[1]->Start() < pictureTime))) {
      Items_.pop_front();
      freed = true;
    }
  }
  if (!Items_.empty() && Items_.front()->Start() <= pictureTime) fn(*Items_.front());
  lock.unlock();
  if (freed) Room_.notify_all();
}

}  // namespace zanto::player
