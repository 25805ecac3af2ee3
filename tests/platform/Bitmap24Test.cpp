#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/Bitmap24.h"

namespace zanto::platform {
namespace {

TEST(Bitmap24, RowsArePaddedAndBgrOrdered) {
  TBitmap24 bmp(5, 3);
  EXPECT_EQ(bmp.Stride(), 16);  // 15 bytes rounded up to 4
  bmp.Fill(1, 2, 3);
  EXPECT_EQ(bmp.ScanLine(2)[12], 1);
  EXPECT_EQ(bmp.ScanLine(2)[14], 3);
}

TEST(Bitmap24, WrapsBottomUpMemory) {
  std::vector<uint8_t> mem(2 * 8, 0);
  TBitmap24 bmp;
  // Row 0 is the last row in memory.
  bmp.Wrap(mem.data() + 8, 2, 2, -8);
  bmp.ScanLine(0)[0] = 7;
  EXPECT_EQ(mem[8], 7);
  bmp.ScanLine(1)[0] = 9;
  EXPECT_EQ(mem[0], 9);
  TBitmap24 copy;
  copy.Assign(bmp);
  EXPECT_EQ(copy.ScanLine(0)[0], 7);
  EXPECT_EQ(copy.ScanLine(1)[0], 9);
}

TEST(Bitmap24, CanvasLockNestsOnOneThread) {
  TBitmap24 bmp(2, 2);
  TCanvasLock outer(bmp);
  TCanvasLock inner(bmp);
  EXPECT_TRUE(bmp.TryLock());  // three deep, as the player nests it
  bmp.Unlock();
}

TEST(Bitmap24, CanvasLockExcludesOtherThreads) {
  TBitmap24 bmp(2, 2);
  std::atomic<bool> otherGotIt{true};
  {
    TCanvasLock lock(bmp);
    std::thread([&] {
      otherGotIt = bmp.TryLock();
      if (otherGotIt) bmp.Unlock();
    }).join();
  }
  EXPECT_FALSE(otherGotIt.load());
  std::thread([&] {
    otherGotIt = bmp.TryLock();
    if (otherGotIt) bmp.Unlock();
  }).join();
  EXPECT_TRUE(otherGotIt.load());
}

}  // namespace
}  // namespace zanto::platform
