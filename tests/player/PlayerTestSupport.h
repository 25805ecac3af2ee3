#pragma once
// Helpers of the player tests: an off-screen display sink that keeps what it was shown, a
// player that records its events, and waits that keep the main thread pumping.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "player/DisplaySink.h"
#include "player/PreviewPlayer.h"

namespace zanto::test {

// Generous: CI is a busy 2-core machine.
constexpr std::chrono::milliseconds kWaitLong{20000};

std::string PlayerFixture(const std::string& name);

// Waits for done() while running the main thread's synchronised calls.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = kWaitLong);

class TMemorySink : public player::TDisplaySink {
 public:
  TMemorySink(int width, int height) : Width_(width), Height_(height) {}
  void Present(player::TDisplayImagePtr image) override;
  int AreaWidth() const override { return Width_; }
  int AreaHeight() const override { return Height_; }
  void Resize(int width, int height);

  player::TDisplayImagePtr Latest() const;
  int Presented() const { return Presented_; }

 private:
  mutable std::mutex Mutex_;  // guards Latest_
  player::TDisplayImagePtr Latest_;
  std::atomic<int> Presented_{0};
  std::atomic<int> Width_, Height_;
};

// Records states and positions as the main thread receives them.
struct TPlayerRecorder {
  explicit TPlayerRecorder(player::TCustomPlayer& player);
  // Handlers run on the main thread, so clearing them here cannot race with one.
  ~TPlayerRecorder();
  bool HasState(player::TPlayState state) const;
  std::vector<player::TPlayState> States;
  std::vector<int64_t> Positions;
  player::TCustomPlayer& Player;
};

// A player that counts the pictures it shows.
class TCountingPlayer : public player::TPreviewPlayer {
 public:
  ~TCountingPlayer() override { Stop(true); }
  std::atomic<int> Shown{0};
  std::atomic<double> LastShownPts{-1};

 protected:
  void PictureShown(double ptsSeconds, double) override {
    LastShownPts = ptsSeconds;
    ++Shown;
  }
};

// BGR of the bitmap at (x, y) as {r, g, b}.
struct TRgb {
  int R, G, B;
};
TRgb PixelAt(const platform::TBitmap24& bitmap, int x, int y);
// Colour names for assertions: the channel that dominates clearly, or "other".
std::string ColourName(TRgb c);

}  // namespace zanto::test
