#include "player/PacketQueue.h"

namespace zanto::player {

namespace {
int64_t SizeOf(const TQueuedPacket& item) {
  return (item.Packet ? item.Packet->size : 0) + TPacketQueue::kPacketOverhead;
}
}  // namespace

void TPacketQueue::PutItem(TQueuedPacket item) {
  {
    std::lock_guard lock(Mutex_);
    Bytes_ += SizeOf(item);
    Items_.push_back(std::move(item));
  }
  Ready_.notify_one();
}

bool TPacketQueue::Put(AVPacket* packet) {
  TQueuedPacket item;
  item.Packet = media::MakePacket();
  if (!item.Packet) return false;
  // Packets from the demuxer may point into its buffers: make the data our own.
  if (av_packet_make_refcounted(packet) < 0) return false;
  av_packet_move_ref(item.Packet.get(), packet);
  PutItem(std::move(item));
  return true;
}

bool TPacketQueue::PutFlush() {
  TQueuedPacket item;
  item.Flush = true;
  PutItem(std::move(item));
  return true;
}

bool TPacketQueue::PutEmpty(int streamIndex) {
  TQueuedPacket item;
  item.Packet = media::MakePacket();
  if (!item.Packet) return false;
  item.Packet->stream_index = streamIndex;
  PutItem(std::move(item));
  return true;
}

int TPacketQueue::Get(TQueuedPacket& item, bool block) {
  std::unique_lock lock(Mutex_);
  for (;;) {
    if (Aborted_) return -1;
    if (!Items_.empty()) {
      item = std::move(Items_.front());
      Items_.pop_front();
      Bytes_ -= SizeOf(item);
      return 1;
    }
    if (!block) return 0;
    Ready_.wait(lock);
  }
}

void TPacketQueue::Flush() {
  std::lock_guard lock(Mutex_);
  Items_.clear();
  Bytes_ = 0;
}

void TPacketQueue::Abort() {
  {
    std::lock_guard lock(Mutex_);
    Aborted_ = true;
  }
  Ready_.notify_all();
}

void TPacketQueue::Start() {
  std::lock_guard lock(Mutex_);
  Items_.clear();
  Bytes_ = 0;
  Aborted_ = false;
}

bool TPacketQueue::Aborted() const {
  std::lock_guard lock(Mutex_);
  return Aborted_;
}

int TPacketQueue::Count() const {
  std::lock_guard lock(Mutex_);
  return static_cast<int>(Items_.size());
}

int64_t TPacketQueue::Bytes() const {
  std::lock_guard lock(Mutex_);
  return Bytes_;
}

}  // namespace zanto::player
