#pragma once
// The packets read for one stream and not yet decoded. The read thread puts, a decoder takes;
// a flush marker in the queue marks where a seek cut the stream. Abort wakes and refuses every
// waiting taker so that threads can be joined.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "media/FFmpegPtr.h"

namespace zanto::player {

struct TQueuedPacket {
  media::PacketPtr Packet;  // empty for a flush marker
  bool Flush = false;
  // The end-of-input marker: a packet without data.
  bool IsEmpty() const { return !Flush && Packet && !Packet->data && Packet->size == 0; }
};

class TPacketQueue {
 public:
  // Each packet counts its payload plus this many bytes towards Bytes().
  static constexpr int kPacketOverhead = 72;

  // Takes over the packet's reference (the packet is left blank). False when out of memory.
  bool Put(AVPacket* packet);
  bool PutFlush();
  // The empty end-of-input packet for a stream.
  bool PutEmpty(int streamIndex);

  // 1: a packet was taken; 0: empty and not blocking; -1: aborted.
  int Get(TQueuedPacket& item, bool block);

  void Flush();
  void Abort();
  // Clears the abort flag and the contents (a stream component opens).
  void Start();
  bool Aborted() const;

  int Count() const;
  int64_t Bytes() const;

 private:
  void PutItem(TQueuedPacket item);

  // Mutex_ guards Items_, Bytes_ and Aborted_; Ready_ wakes takers on put and abort.
  mutable std::mutex Mutex_;
  std::condition_variable Ready_;
  std::deque<TQueuedPacket> Items_;
  int64_t Bytes_ = 0;
  bool Aborted_ = false;
};

}  // namespace zanto::player
