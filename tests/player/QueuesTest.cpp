// The player's queues and output blocks: the event ring with its overwrite and overflow rules,
// the packet queue's byte accounting, flush and abort, the picture queue's blocking producer
// and the volume and mute rule of an audio block; the silent sound output.
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <mutex>
#include <thread>

#include "player/AudioMix.h"
#include "player/PacketQueue.h"
#include "player/PictureQueue.h"
#include "player/PlayerEventQueue.h"
#include "player/SilentAudioOutput.h"

namespace zanto::player {
namespace {

std::vector<TPlayerEvent> Drain(TPlayerEventQueue& q) {
  std::vector<TPlayerEvent> out;
  TPlayerEvent e;
  while (q.Take(e)) out.push_back(e);
  return out;
}

TEST(PlayerEventQueue, ANewerEventReplacesAnUndeliveredOneOfTheSameKind) {
  TPlayerEventQueue q;
  q.Post({ekPosition, psPlay, 100});
  q.Post({ekPosition, psPlay, 200});
  q.Post({ekState, psPause, 0});
  q.Post({ekState, psResume, 0});
  q.Post({ekPosition, psPlay, 300});
  const auto events = Drain(q);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].PositionUs, 200);
  EXPECT_EQ(events[1].State, psResume);
  EXPECT_EQ(events[2].PositionUs, 300);
  EXPECT_TRUE(q.Empty());
}

TEST(PlayerEventQueue, OverflowLosesTheOldestEvents) {
  TPlayerEventQueue q;
  // Alternating kinds never merge; the ring keeps the newest 9.
  for (int i = 0; i < 12; ++i)
    q.Post(i % 2 ? TPlayerEvent{ekState, psPlay, i} : TPlayerEvent{ekPosition, psPlay, i});
  const auto events = Drain(q);
  ASSERT_EQ(events.size(), static_cast<size_t>(TPlayerEventQueue::kCapacity - 1));
  EXPECT_EQ(events.front().PositionUs, 3);
  EXPECT_EQ(events.back().PositionUs, 11);
}

media::PacketPtr DataPacket(int size) {
  media::PacketPtr p = media::MakePacket();
  EXPECT_EQ(av_new_packet(p.get(), size), 0);
  return p;
}

TEST(PlayerPacketQueue, CountsBytesFlushesAndKeepsOrder) {
  TPacketQueue q;
  q.Start();
  auto a = DataPacket(100);
  a->pts = 1;
  auto b = DataPacket(50);
  b->pts = 2;
  ASSERT_TRUE(q.Put(a.get()));
  ASSERT_TRUE(q.PutFlush());
  ASSERT_TRUE(q.Put(b.get()));
  EXPECT_EQ(q.Count(), 3);
  EXPECT_EQ(q.Bytes(), 100 + 50 + 3 * TPacketQueue::kPacketOverhead);
  TQueuedPacket item;
  ASSERT_EQ(q.Get(item, false), 1);
  EXPECT_EQ(item.Packet->pts, 1);
  ASSERT_EQ(q.Get(item, false), 1);
  EXPECT_TRUE(item.Flush);
  q.Flush();
  EXPECT_EQ(q.Count(), 0);
  EXPECT_EQ(q.Bytes(), 0);
  EXPECT_EQ(q.Get(item, false), 0);
  ASSERT_TRUE(q.PutEmpty(3));
  ASSERT_EQ(q.Get(item, false), 1);
  EXPECT_TRUE(item.IsEmpty());
}

TEST(PlayerPacketQueue, AbortWakesABlockedTaker) {
  TPacketQueue q;
  q.Start();
  auto taker = std::async(std::launch::async, [&] {
    TQueuedPacket item;
    return q.Get(item, true);
  });
  q.Abort();
  EXPECT_EQ(taker.get(), -1);
  auto p = DataPacket(10);
  q.Put(p.get());
  TQueuedPacket item;
  EXPECT_EQ(q.Get(item, false), -1);  // stays aborted until started again
  q.Start();
  EXPECT_EQ(q.Get(item, false), 0);
}

TEST(PlayerPictureQueue, TheProducerWaitsForAFreeSlotUntilAborted) {
  TPictureQueue q;
  q.Start();
  media::FramePtr frame = media::MakeFrame();
  ASSERT_TRUE(q.WaitWritable());
  q.Push(frame.get(), 0.0, 1.0, 0);
  q.Push(frame.get(), 0.04, 1.04, 1);
  EXPECT_TRUE(q.Full());
  auto producer = std::async(std::launch::async, [&] { return q.WaitWritable(); });
  q.Pop();
  EXPECT_TRUE(producer.get());
  TPictureInfo info;
  ASSERT_TRUE(q.Peek(0, info));
  EXPECT_DOUBLE_EQ(info.PtsSeconds, 0.04);

  q.Push(frame.get(), 0.08, 1.08, 2);
  auto blocked = std::async(std::launch::async, [&] { return q.WaitWritable(); });
  q.Abort();
  EXPECT_FALSE(blocked.get());
}

TEST(PlayerPictureQueue, AFlushMakesQueuedPicturesDueAndWaitsForThemToGo) {
  TPictureQueue q;
  q.Start();
  media::FramePtr frame = media::MakeFrame();
  q.Push(frame.get(), 0.0, 5.0, 0);
  auto flusher = std::async(std::launch::async, [&] { return q.ResetAndWaitEmpty(); });
  TPictureInfo info;
  // The consumer sees the picture due at once (target 0) and takes it away.
  for (;;) {
    ASSERT_TRUE(q.Peek(0, info));
    if (info.TargetClock == 0) break;
    std::this_thread::yield();
  }
  q.Pop();
  EXPECT_TRUE(flusher.get());
}

}  // namespace
}  // namespace zanto::player

namespace zanto::player {
namespace {

// The audio block rule: volume scales, mute and volume 0 give silence, stale bytes never leak.
TEST(PlayerAudioMix, VolumeAndMute) {
  const int16_t in[4] = {1000, -1000, 20000, -20000};
  struct {
    bool Mute;
    int Volume;
    int16_t Expected[4];
  } cases[] = {
      {false, 128, {1000, -1000, 20000, -20000}},
      {false, 64, {500, -500, 10000, -10000}},
      {false, 0, {0, 0, 0, 0}},
      {true, 128, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    int16_t out[4] = {7, 7, 7, 7};  // stale data from an earlier block
    MixAudioBlock(reinterpret_cast<uint8_t*>(out), reinterpret_cast<const uint8_t*>(in), sizeof(out),
                  c.Mute, c.Volume);
    for (int i = 0; i < 4; ++i)
      EXPECT_NEAR(out[i], c.Expected[i], 2) << "mute " << c.Mute << " volume " << c.Volume << " #" << i;
  }
  int16_t out[2] = {7, 7};
  MixAudioBlock(reinterpret_cast<uint8_t*>(out), nullptr, sizeof(out), false, 128);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 0);
}

struct TSilentCalls {
  std::mutex Mutex;
  int Calls = 0;
  bool AllOfTheAskedSize = true;
  std::promise<void> FifthCall;
};

TEST(PlayerSilentOutput, AsksForWholeBlocksUntilDestroyed) {
  TSilentCalls seen;
  auto callback = [](void* userdata, uint8_t* stream, int len) {
    auto& s = *static_cast<TSilentCalls*>(userdata);
    std::memset(stream, 0, static_cast<size_t>(len));
    std::lock_guard lock(s.Mutex);
    s.AllOfTheAskedSize = s.AllOfTheAskedSize && len == 1024 * 4;
    if (++s.Calls == 5) s.FifthCall.set_value();
  };
  auto fifth = seen.FifthCall.get_future();
  {
    TSilentAudioOutput output(callback, &seen, 1024, 4, 44100);
    EXPECT_EQ(output.BufferBytes(), 4096);
    output.Start();
    ASSERT_EQ(fifth.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  }  // a thread left running past here would end the program (and show under the sanitizers)
  std::lock_guard lock(seen.Mutex);
  EXPECT_TRUE(seen.AllOfTheAskedSize);
}

}  // namespace
}  // namespace zanto::player
