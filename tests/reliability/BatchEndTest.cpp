// When the batch driver is idle again, the end of every task it ran is known: a front end reads
// the results right then (zanto-convert prints them and picks its exit status from them).
#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <thread>
#include <vector>

#include "BatchHarness.h"

namespace zanto::test {
namespace {

using BatchEndTest = BatchHarness;

// Busy threads that compete with the engine's event threads for the processors, so the order in
// which those threads get to run varies as it does on a loaded machine.
class TProcessorLoad {
 public:
  TProcessorLoad() {
    const unsigned count = 2 * std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < count; ++i)
      Threads_.emplace_back([this] {
        while (!Stop_.load(std::memory_order_relaxed)) {
        }
      });
  }
  ~TProcessorLoad() {
    Stop_ = true;
    for (auto& t : Threads_) t.join();
  }

 private:
  std::atomic<bool> Stop_{false};
  std::vector<std::thread> Threads_;
};

TEST_F(BatchEndTest, EveryTaskHasItsResultWhenTheBatchIsIdle) {
  const std::string wav = Fixture("audio.wav");
  AddSource(wav);
  AddSource(Fixture("audio.mp3"));
  // The two ends arrive from two threads; a few batches on busy processors give a late last
  // end its chance.
  TProcessorLoad load;
  for (int batch = 0; batch < 10; ++batch) {
    ASSERT_TRUE(Driver.Start());
    ASSERT_TRUE(platform::TMainThread::WaitPumping([&] { return Driver.State() == app::bsIdle; },
                                                   std::chrono::seconds(120)));
    ASSERT_EQ(Driver.Results().size(), 2u);
    for (const auto& r : Driver.Results()) {
      EXPECT_TRUE(r.Ended) << "batch " << batch << ": " << r.Source << " has no end yet";
      EXPECT_TRUE(r.Finished) << "batch " << batch << ": " << r.Source;
    }
    EXPECT_EQ(List.Row(1).SubItems[app::colProgress], "100%") << "batch " << batch;
    std::filesystem::remove_all(OutDir());
  }
}

}  // namespace
}  // namespace zanto::test
