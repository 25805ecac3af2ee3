#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/MainThread.h"

namespace zanto::platform {
namespace {

using namespace std::chrono_literals;

TEST(MainThread, SynchronizeRunsOnMainThreadWhileItWaits) {
  std::atomic<bool> finished{false};
  std::thread::id ranOn;
  std::thread worker([&] {
    TMainThread::Synchronize([&] { ranOn = std::this_thread::get_id(); });
    finished = true;
  });
  // The main thread waits for the worker while pumping, as a waiting Stop does.
  EXPECT_TRUE(TMainThread::WaitPumping([&] { return finished.load(); }, 30s));
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(MainThread, SynchronizeOnMainThreadRunsDirectly) {
  int calls = 0;
  TMainThread::Synchronize([&] { ++calls; });
  EXPECT_EQ(calls, 1);
}

TEST(MainThread, QueueDoesNotBlockAndKeepsOrder) {
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) TMainThread::Queue([&order, i] { order.push_back(i); });
  });
  worker.join();  // returns although nothing ran yet
  EXPECT_TRUE(order.empty());
  EXPECT_TRUE(TMainThread::CheckSynchronize());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(TMainThread::CheckSynchronize());
}

TEST(MainThread, ExceptionReachesTheSynchronizingWorker) {
  std::atomic<bool> done{false};
  std::string caught;
  std::thread worker([&] {
    try {
      TMainThread::Synchronize([] { throw std::runtime_error("boom"); });
    } catch (const std::exception& e) {
      caught = e.what();
    }
    done = true;
  });
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return done.load(); }, 30s));
  worker.join();
  EXPECT_EQ(caught, "boom");
}

TEST(MainThread, WaitPumpingTimesOut) {
  EXPECT_FALSE(TMainThread::WaitPumping([] { return false; }, 50ms, 10ms));
}

TEST(MainThread, WakeUpHookIsCalledForQueuedCalls) {
  std::atomic<int> wakes{0};
  TMainThread::SetWakeUp([&] { ++wakes; });
  std::thread([] { TMainThread::Queue([] {}); }).join();
  TMainThread::SetWakeUp(nullptr);
  TMainThread::CheckSynchronize();
  EXPECT_EQ(wakes.load(), 1);
}

}  // namespace
}  // namespace zanto::platform
