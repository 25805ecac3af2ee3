// Playback of generated media with the silent audio driver and an off-screen sink: opening,
// positions and the end, seeking, pausing, the current frame, the hook, audio-only files, the
// drawing rules end to end, failures, one playback per process and stopping a stalled read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <stdexcept>
#include <thread>

#include "PlayerTestSupport.h"
#include "media/MediaLogger.h"
#include "support/FFprobe.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace zanto::player {
namespace {

using test::ColourName;
using test::PixelAt;
using test::TCountingPlayer;
using test::TMemorySink;
using test::TPlayerRecorder;
using test::WaitFor;

class PlayerPlayback : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    TPreviewPlayer loader;
    ASSERT_TRUE(loader.LoadLibraries("")) << loader.LastErrorMessage();
  }
};

// Colours at the centre of the left and right halves of the current frame.
std::pair<std::string, std::string> Halves(const platform::TBitmap24& frame) {
  return {ColourName(PixelAt(frame, frame.Width() / 4, frame.Height() / 2)),
          ColourName(PixelAt(frame, frame.Width() * 3 / 4, frame.Height() / 2))};
}

TEST_F(PlayerPlayback, OpenPausedShowsTwoPicturesThenPauses) {
  TMemorySink sink(320, 240);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  ASSERT_TRUE(player.Open(test::PlayerFixture("pattern.mp4"), &sink, true)) << player.LastErrorMessage();
  ASSERT_TRUE(WaitFor([&] { return events.HasState(psPause) && player.Shown >= 2; }));
  // psPlay comes first, unless the pause replaced it before it was delivered.
  EXPECT_EQ(events.States.back(), psPause);
  EXPECT_EQ(player.State(), psPause);
  // Nothing more is shown while paused.
  EXPECT_FALSE(WaitFor([&] { return player.Shown > 2; }, std::chrono::milliseconds(300)));
  EXPECT_GT(sink.Presented(), 0);
  int64_t position;
  const auto& frame = player.CurrentFrameAt(position);
  EXPECT_EQ(frame.Width(), 320);
  EXPECT_EQ(frame.Height(), 240);
  EXPECT_GE(position, 0);
  EXPECT_LE(position, 80000);
  EXPECT_EQ(Halves(frame), std::make_pair(std::string("red"), std::string("blue")));
  player.Stop(true);
  EXPECT_FALSE(player.Playing());
  EXPECT_TRUE(WaitFor([&] { return events.HasState(psStop); }));
}

TEST_F(PlayerPlayback, PositionsAdvanceAndEndAtTheDuration) {
  TMemorySink sink(320, 240);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  int64_t reportedDuration = -2;
  player.SetOnFileOpen([&](TCustomPlayer*, int64_t duration, int w, int h, int&, int&) {
    reportedDuration = duration;
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
  });
  const std::string file = test::Fixture("clip.mp4");
  ASSERT_TRUE(player.Open(file, &sink, false)) << player.LastErrorMessage();
  EXPECT_EQ(player.AudioDriverName(), "dummy");
  // The probe describes the open file.
  EXPECT_NE(player.Probe().FormatContext(), nullptr);
  EXPECT_EQ(player.Probe().VideoStreamCount(), 1);
  EXPECT_EQ(player.Probe().AudioStreamCount(), 1);
  const auto probe = test::FFprobe(file);
  ASSERT_TRUE(probe.Ok);
  EXPECT_NEAR(reportedDuration, probe.Duration * 1e6, 1000);
  ASSERT_TRUE(WaitFor([&] { return events.HasState(psEnd); }));
  ASSERT_GE(events.Positions.size(), 10u);
  // Positions move forwards and stop at the duration. A picture shown late sets the clock back
  // by its lateness, which a loaded machine can make a few frames long.
  for (size_t i = 1; i < events.Positions.size(); ++i)
    EXPECT_GE(events.Positions[i], events.Positions[i - 1] - 200000) << i;
  EXPECT_TRUE(WaitFor([&] { return player.LastReportedPosition() == reportedDuration; }));
  EXPECT_TRUE(WaitFor([&] { return !events.Positions.empty() && events.Positions.back() == reportedDuration; }));
  EXPECT_GE(player.Shown, 2);
  EXPECT_GT(player.LastShownPts, 1.5);  // pictures reach the end of the 2 s clip
  player.Stop(true);
  EXPECT_EQ(player.Probe().FormatContext(), nullptr);
  EXPECT_EQ(player.CurrentPosition(), -1);
}

TEST_F(PlayerPlayback, SeekToTheStartOfALateStartingFile) {
  TMemorySink sink(320, 240);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  const std::string file = test::Fixture("late_start.mp4");
  ASSERT_TRUE(player.Open(file, &sink, true)) << player.LastErrorMessage();
  ASSERT_TRUE(WaitFor([&] { return events.HasState(psPause) && player.Shown >= 2; }));
  player.Seek(sfAny, true, 0);
  ASSERT_TRUE(WaitFor([&] { return player.Shown >= 3; }));
  int64_t position;
  const auto& frame = player.CurrentFrameAt(position);
  EXPECT_FALSE(frame.Empty());
  // The first picture is at 1.4 s; the file starts with its audio at 1.376 s.
  const auto probe = test::FFprobe(file);
  const int64_t firstPicture = std::llround((probe.First("video")->StartTime - probe.StartTime) * 1e6);
  EXPECT_NEAR(position, firstPicture, 45000);
}

TEST_F(PlayerPlayback, ASecondPendingSeekIsIgnoredAndPauseAfterSeekShowsTheNewPlace) {
  TMemorySink sink(320, 240);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  ASSERT_TRUE(player.Open(test::PlayerFixture("pattern.mp4"), &sink, false)) << player.LastErrorMessage();
  ASSERT_TRUE(WaitFor([&] { return player.Shown >= 2; }));
  player.Seek(0, false, 1200000);
  player.Seek(0, false, 100000);  // still pending: ignored
  player.Pause();                 // returns once the seek was made and a picture queued
  int64_t position;
  const auto& frame = player.CurrentFrameAt(position);
  EXPECT_GE(position, 950000);
  EXPECT_LE(position, 1500000);
  EXPECT_EQ(Halves(frame), std::make_pair(std::string("green"), std::string("red")));
  EXPECT_TRUE(WaitFor([&] { return events.HasState(psPause); }));
}

TEST_F(PlayerPlayback, CurrentFrameFollowsASeekWhilePaused) {
  TMemorySink sink(320, 240);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  ASSERT_TRUE(player.Open(test::PlayerFixture("pattern.mp4"), &sink, true)) << player.LastErrorMessage();
  ASSERT_TRUE(WaitFor([&] { return events.HasState(psPause); }));
  player.Seek(0, true, 1000000);
  int64_t position;
  ASSERT_TRUE(WaitFor([&] {
    player.CurrentFrameAt(position);
    return position >= 950000;
  }));
  EXPECT_LE(position, 1100000);
  EXPECT_EQ(Halves(player.CurrentFrame()), std::make_pair(std::string("green"), std::string("red")));
}

TEST_F(PlayerPlayback, TheHookDrawsWhatIsShownAndSurvivesExceptions) {
  std::vector<std::string> log;
  std::mutex logMutex;
  auto& logger = media::GetLogger();
  const auto oldLevel = logger.LogLevel();
  logger.SetLogLevel(media::llInfo);
  logger.SetTriggerEventInMainThread(false);
  logger.SetOnLog([&](const void*, uint64_t, media::TLogLevel, const std::string& text) {
    std::lock_guard lock(logMutex);
    log.push_back(text);
  });
  {
    std::atomic<int> hooked{0};
    std::atomic<bool> fail{false};
    TMemorySink sink(320, 240);
    TCountingPlayer player;
    TPlayerRecorder events(player);
    player.SetHook(true);
    player.SetOnHook([&](TCustomPlayer*, platform::TBitmap24& bitmap, int64_t) {
      ++hooked;
      if (fail) throw std::runtime_error("boom");
      EXPECT_EQ(bitmap.Width(), 320);
      for (int y = 100; y < 140; ++y)
        for (int x = 60; x < 100; ++x) {
          uint8_t* p = bitmap.ScanLine(y) + x * 3;
          p[0] = p[1] = p[2] = 255;
        }
    });
    ASSERT_TRUE(player.Open(test::PlayerFixture("pattern.mp4"), &sink, true));
    ASSERT_TRUE(WaitFor([&] { return events.HasState(psPause) && player.Shown >= 2; }));
    EXPECT_GE(hooked, 2);
    EXPECT_EQ(ColourName(PixelAt(player.CurrentFrame(), 80, 120)), "white");
    EXPECT_EQ(ColourName(PixelAt(player.CurrentFrame(), 40, 120)), "red");
    // What the sink shows carries the drawing too.
    auto image = sink.Latest();
    ASSERT_TRUE(image);
    EXPECT_EQ(ColourName(PixelAt(image->Bitmap, 80, 120)), "white");

    fail = true;
    player.Seek(0, true, 1000000);
    ASSERT_TRUE(WaitFor([&] {
      int64_t position;
      player.CurrentFrameAt(position);
      return position >= 950000;
    }));
    EXPECT_EQ(ColourName(PixelAt(player.CurrentFrame(), 80, 120)), "green");  // as decoded
    player.Resume();
    EXPECT_TRUE(WaitFor([&] { return events.HasState(psEnd); }));  // playback went on
  }
  logger.SetOnLog(nullptr);
  logger.SetTriggerEventInMainThread(true);
  logger.SetLogLevel(oldLevel);
  std::lock_guard lock(logMutex);
  EXPECT_NE(std::find(log.begin(), log.end(), "Error occurs OnHook: boom"), log.end());
}

TEST_F(PlayerPlayback, AnAudioOnlyFileHasNoFrameButPositionsAndAWaveDisplay) {
  TMemorySink sink(200, 100);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  ASSERT_TRUE(player.Open(test::Fixture("audio.mp3"), &sink, false)) << player.LastErrorMessage();
  int64_t position = 0;
  EXPECT_TRUE(player.CurrentFrameAt(position).Empty());
  EXPECT_EQ(position, -1);
  ASSERT_TRUE(WaitFor([&] { return !events.Positions.empty() && events.Positions.back() > 300000; }));
  ASSERT_TRUE(WaitFor([&] { return sink.Presented() > 5; }));
  auto image = sink.Latest();
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Bitmap.Width(), 200);
  EXPECT_EQ(image->Bitmap.Height(), 100);
  // A stereo tone: white bars somewhere in both bands.
  auto whiteIn = [&](int top, int bottom) {
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < 200; ++x)
        if (y != 50 && image->Bitmap.ScanLine(y)[x * 3] == 255) return true;
    return false;
  };
  EXPECT_TRUE(whiteIn(0, 50));
  EXPECT_TRUE(whiteIn(51, 100));
  EXPECT_TRUE(WaitFor([&] { return events.HasState(psEnd); }));
}

TEST_F(PlayerPlayback, DisableDisplayPlaysSoundOnly) {
  TMemorySink sink(320, 240);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  player.DisableDisplay = true;
  ASSERT_TRUE(player.Open(test::Fixture("clip.mp4"), &sink, false)) << player.LastErrorMessage();
  ASSERT_TRUE(WaitFor([&] { return !events.Positions.empty() && events.Positions.back() > 300000; }));
  EXPECT_EQ(sink.Presented(), 0);
  EXPECT_EQ(player.Shown, 0);
  EXPECT_TRUE(player.CurrentFrame().Empty());
}

// A subtitle stream is decoded beside the pictures without holding playback up.
TEST_F(PlayerPlayback, PlaysAFileWithSubtitlesToTheEnd) {
  TMemorySink sink(320, 240);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  ASSERT_TRUE(player.Open(test::PlayerFixture("subtitled.mkv"), &sink, false)) << player.LastErrorMessage();
  ASSERT_EQ(test::FFprobe(test::PlayerFixture("subtitled.mkv")).Count("subtitle"), 1);
  ASSERT_TRUE(WaitFor([&] { return events.HasState(psEnd); }));
  // A loaded machine drops pictures to keep time with the sound; still they reach the end.
  EXPECT_GE(player.Shown, 2);
  EXPECT_GT(player.LastShownPts, 1.5);
}

// A driver that cannot start (here: one of another platform) falls back to the silent output,
// and playback is timed as usual.
TEST_F(PlayerPlayback, WithoutAUsableSoundDriverPlaysOnSilently) {
  TMemorySink sink(320, 240);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  player.AudioDriver = adDirectSound;
  ASSERT_TRUE(player.Open(test::Fixture("clip.mp4"), &sink, false)) << player.LastErrorMessage();
  EXPECT_EQ(player.AudioDriverName(), "dummy");
  ASSERT_TRUE(WaitFor([&] { return player.Shown >= 10; }));
  EXPECT_FALSE(std::isnan(player.AudioClockSeconds()));
  EXPECT_GT(player.AudioClockSeconds(), 0.1);
}

TEST_F(PlayerPlayback, DrawsWithTheAspectRatioRule) {
  TMemorySink sink(400, 300);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  ASSERT_TRUE(player.Open(test::PlayerFixture("pal_sar.mkv"), &sink, true)) << player.LastErrorMessage();
  ASSERT_TRUE(WaitFor([&] { return events.HasState(psPause) && sink.Latest(); }));
  struct {
    float AspectRatio;
    TDisplayRect Expected;
  } cases[] = {{-1.0f, {0, 0, 400, 300}}, {1.0f, {50, 0, 300, 300}}, {0.0f, {0, 38, 400, 224}}};
  EXPECT_EQ(sink.Latest()->Target, (TDisplayRect{0, 38, 400, 224}));
  for (const auto& c : cases) {
    player.SetAspectRatio(c.AspectRatio);
    EXPECT_TRUE(WaitFor([&] { return sink.Latest()->Target == c.Expected; })) << c.AspectRatio;
  }
  // The sink reports a new size: the picture follows.
  sink.Resize(200, 300);
  EXPECT_TRUE(WaitFor([&] { return sink.Latest()->Target == TDisplayRect{0, 94, 200, 112}; }));
  EXPECT_EQ(player.ScreenWidth(), 200);
}

TEST_F(PlayerPlayback, OnFileOpenChoosesTheDrawingSize) {
  TMemorySink sink(640, 480);
  TCountingPlayer player;
  TPlayerRecorder events(player);
  player.SetOnFileOpen([](TCustomPlayer*, int64_t, int, int, int& w, int& h) {
    w = 320;
    h = 240;
  });
  ASSERT_TRUE(player.Open(test::PlayerFixture("pattern.mp4"), &sink, true));
  ASSERT_TRUE(WaitFor([&] { return events.HasState(psPause) && sink.Latest(); }));
  EXPECT_EQ(sink.Latest()->AreaWidth, 320);
  EXPECT_EQ(sink.Latest()->AreaHeight, 240);
}

TEST_F(PlayerPlayback, UnplayableFilesFailToOpenWithTheirReason) {
  test::TempDir dir;
  struct {
    std::string File;
    std::string Expected;  // empty: the text ffprobe gives for the file
  } cases[] = {
      {test::Fixture("empty.mp4"), ""},
      {test::Fixture("text.mp4"), ""},
      {dir.File("missing.mp4"), ""},
  };
  for (const auto& c : cases) {
    TPreviewPlayer player;
    EXPECT_FALSE(player.Open(c.File, nullptr, false)) << c.File;
    std::string oracle;
    test::RunCommand("ffprobe -v error " + test::ShellQuote(c.File) + " 2>&1", &oracle);
    while (!oracle.empty() && (oracle.back() == '\n' || oracle.back() == '\r')) oracle.pop_back();
    oracle = oracle.substr(oracle.find_last_of('\n') + 1);  // the last line names file and reason
    EXPECT_EQ(player.LastErrorMessage(), oracle) << c.File;
    EXPECT_FALSE(player.Playing());
    EXPECT_EQ(player.CurrentPosition(), -1);
  }
  // Nothing left to play.
  TPreviewPlayer player;
  player.DisableAudio = true;
  player.DisableVideo = true;
  const std::string clip = test::Fixture("clip.mp4");
  EXPECT_FALSE(player.Open(clip, nullptr, false));
  EXPECT_EQ(player.LastErrorMessage(), clip + ": could not open codecs, no stream to play.");
}

TEST_F(PlayerPlayback, ASecondPlayerStopsTheFirst) {
  TMemorySink sink(320, 240);
  TCountingPlayer first, second;
  TPlayerRecorder firstEvents(first);
  ASSERT_TRUE(first.Open(test::Fixture("clip.mp4"), &sink, false));
  ASSERT_TRUE(second.Open(test::Fixture("clip.mp4"), &sink, true));
  EXPECT_FALSE(first.Playing());
  EXPECT_TRUE(second.Playing());
  EXPECT_TRUE(WaitFor([&] { return firstEvents.HasState(psStop); }));
}

// A handler that opens the next file when one ends (the event thread that called it cannot be
// waited for from inside it).
TEST_F(PlayerPlayback, AStateHandlerMayOpenTheNextFile) {
  TMemorySink sink(320, 240);
  TCountingPlayer player;
  std::vector<TPlayState> states;
  int opened = 0;
  player.SetOnState([&](TCustomPlayer* sender, TPlayState state) {
    states.push_back(state);
    if (state == psEnd && opened == 0) {
      ++opened;
      EXPECT_TRUE(sender->Open(test::PlayerFixture("pattern.mp4"), &sink, true));
    }
  });
  ASSERT_TRUE(player.Open(test::Fixture("video_only.mp4"), &sink, false));
  ASSERT_TRUE(WaitFor([&] { return opened == 1 && !states.empty() && states.back() == psPause; }));
  EXPECT_EQ(player.FileName(), test::PlayerFixture("pattern.mp4"));
  EXPECT_TRUE(player.Playing());
  player.SetOnState(nullptr);
}

TEST_F(PlayerPlayback, DestroyingAPlayingPlayerIsSafe) {
  for (bool paused : {false, true}) {
    TMemorySink sink(320, 240);
    auto player = std::make_unique<TCountingPlayer>();
    player->SetOnPosition([](TCustomPlayer*, int64_t) {});
    player->SetOnState([](TCustomPlayer*, TPlayState) {});
    ASSERT_TRUE(player->Open(test::Fixture("clip.mp4"), &sink, paused));
    ASSERT_TRUE(WaitFor([&] { return player->Shown >= 1; }));
    player.reset();
  }
}

// A file that stops delivering data in the middle (a stalled pipe) must not hold Stop.
TEST_F(PlayerPlayback, StopReturnsWhileAReadIsStalled) {
  test::TempDir dir;
  const std::string fifo = dir.File("stalled.ts");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // The writer end stays open without more data until the test ends.
  const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  const std::string data = test::ReadFileBytes(test::Fixture("clip_90k.ts"));
  ASSERT_GT(data.size(), 20000u);
  // Half the stream: enough to open and play, then nothing.
  const size_t half = data.size() / 2;
  std::atomic<size_t> written{0};
  std::thread feeder([&] {
    while (written < half) {
      const size_t done = written;
      const ssize_t n = ::write(writer, data.data() + done, half - done);
      if (n > 0)
        written += static_cast<size_t>(n);
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  {
    TCountingPlayer player;
    TPlayerRecorder events(player);
    ASSERT_TRUE(player.Open(fifo, nullptr, false)) << player.LastErrorMessage();
    ASSERT_TRUE(WaitFor([&] { return written >= half; }));
    feeder.join();
    ASSERT_TRUE(WaitFor([&] { return !events.Positions.empty(); }));
    player.Stop(true);
    EXPECT_FALSE(player.Playing());
  }
  ::close(writer);
}

}  // namespace
}  // namespace zanto::player
