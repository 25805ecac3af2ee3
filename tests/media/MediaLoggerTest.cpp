#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <thread>

#include "media/FFmpeg.h"
#include "media/MediaLogger.h"
#include "platform/MainThread.h"

namespace zanto::media {
namespace {

struct Line {
  const void* Sender;
  uint64_t Thread;
  TLogLevel Level;
  std::string Text;
};

// Installs a recording OnLog handler, delivered directly, and restores the logger afterwards.
class LoggerTest : public testing::Test {
 protected:
  void SetUp() override {
    savedLevel_ = GetLogger().LogLevel();
    GetLogger().ResetPending();
    GetLogger().SetTriggerEventInMainThread(false);
    GetLogger().SetOnLog([this](const void* s, uint64_t t, TLogLevel l, const std::string& m) {
      std::lock_guard lock(mutex_);
      lines_.push_back({s, t, l, m});
    });
  }
  void TearDown() override {
    GetLogger().SetOnLog(nullptr);
    GetLogger().SetTriggerEventInMainThread(true);
    GetLogger().SetLogLevel(savedLevel_);
  }
  std::vector<Line> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  std::mutex mutex_;
  std::vector<Line> lines_;
  TLogLevel savedLevel_ = llInfo;
};

TEST(LogLevels, LibraryLevelMappingBothWays) {
  struct Case {
    int Library;
    TLogLevel Level;
  };
  const Case cases[] = {{-8, llQuiet},   {-16, llQuiet}, {0, llPanic},    {8, llFatal},
                        {16, llError},   {24, llWarning}, {32, llInfo},   {40, llVerbose},
                        {47, llVerbose}, {48, llDebug},  {56, llDebug},   {-1, llPanic}};
  for (const auto& c : cases) EXPECT_EQ(LogLevelFromLibrary(c.Library), c.Level) << c.Library;
  const int expected[] = {-8, 0, 8, 16, 24, 32, 40, 48};
  for (int i = llQuiet; i <= llDebug; ++i)
    EXPECT_EQ(LibraryLevelOf(static_cast<TLogLevel>(i)), expected[i]);
}

TEST_F(LoggerTest, LogMessageDeliveryRules) {
  int sender = 0;
  GetLogger().SetLogLevel(llError);
  GetLogger().LogMessage(&sender, llVerbose, "status");  // verbose passes at every level but quiet
  GetLogger().LogMessage(&sender, llDebug, "hidden");
  GetLogger().LogMessage(&sender, llError, "error");
  GetLogger().LogMessage(&sender, llWarning, "hidden too");
  GetLogger().SetLogLevel(llQuiet);
  GetLogger().LogMessage(&sender, llQuiet, "always");
  GetLogger().LogMessage(&sender, llVerbose, "not at quiet");
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Text, "status");
  EXPECT_EQ(lines[1].Text, "error");
  EXPECT_EQ(lines[2].Text, "always");
  EXPECT_EQ(lines[0].Sender, &sender);
  EXPECT_EQ(av_log_get_level(), -8);  // the library follows the logger's level
}

TEST_F(LoggerTest, LevelByNameOrNumber) {
  GetLogger().SetLogLevelByName("VERBOSE");
  EXPECT_EQ(GetLogger().LogLevel(), llVerbose);
  EXPECT_EQ(av_log_get_level(), 40);
  GetLogger().SetLogLevelByName("16");
  EXPECT_EQ(GetLogger().LogLevel(), llError);
  try {
    GetLogger().SetLogLevelByName("loud");
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "'loud' is not a valid integer value");
  }
}

TEST_F(LoggerTest, LibraryPiecesBecomeWholeLinesPerThread) {
  GetLogger().SetLogLevel(llDebug);
  // Two threads write interleaved pieces; each thread's line arrives whole and unmixed.
  auto writer = [](const std::string& who) {
    for (int i = 0; i < 200; ++i) {
      av_log(nullptr, AV_LOG_INFO, "%s-part1 ", who.c_str());
      av_log(nullptr, AV_LOG_INFO, "%s-part2 %d\n", who.c_str(), i);
    }
  };
  av_log_set_callback(&TMediaLogger::LibraryCallback);
  std::thread a(writer, "A"), b(writer, "B");
  a.join();
  b.join();
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 400u);
  std::map<uint64_t, std::string> firstOf;
  for (const auto& l : lines) {
    const std::string who = l.Text.substr(0, 1);
    EXPECT_EQ(l.Text.rfind(who + "-part1 " + who + "-part2 ", 0), 0u) << l.Text;
    EXPECT_EQ(l.Level, llInfo);
    if (!firstOf.count(l.Thread)) firstOf[l.Thread] = who;
    EXPECT_EQ(firstOf[l.Thread], who);  // one thread id per writer
  }
  EXPECT_EQ(firstOf.size(), 2u);
  av_log_set_callback(av_log_default_callback);
}

TEST_F(LoggerTest, ContextPrefixAndLevelFilter) {
  GetLogger().SetLogLevel(llWarning);
  av_log_set_callback(&TMediaLogger::LibraryCallback);
  AVFormatContext* ctx = avformat_alloc_context();
  av_log(ctx, AV_LOG_INFO, "filtered out\n");  // above the library's level
  av_log(ctx, AV_LOG_ERROR, "bad %d\n", 5);
  avformat_free_context(ctx);
  av_log_set_callback(av_log_default_callback);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].Level, llError);
  EXPECT_EQ(lines[0].Text.rfind("[NULL @ 0x", 0), 0u) << lines[0].Text;
  EXPECT_NE(lines[0].Text.find("] bad 5"), std::string::npos);
}

TEST_F(LoggerTest, DeliveredInMainThreadWhenAsked) {
  GetLogger().SetTriggerEventInMainThread(true);
  GetLogger().SetLogLevel(llInfo);
  std::thread([] { GetLogger().LogMessage(nullptr, llError, "from worker"); }).join();
  EXPECT_TRUE(Lines().empty());  // waits for the main thread
  platform::TMainThread::CheckSynchronize();
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Lines()[0].Text, "from worker");
}

}  // namespace
}  // namespace zanto::media
