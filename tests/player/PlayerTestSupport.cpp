#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/MainThread.h"

namespace zanto::test {

std::string PlayerFixture(const std::string& name) {
  const std::string path = std::string(ZANTO_PLAYER_FIXTURE_DIR) + "/" + name;
  if (!std::filesystem::exists(path)) ADD_FAILURE() << "missing fixture " << path;
  return path;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return platform::TMainThread::WaitPumping(done, timeout, std::chrono::milliseconds(5));
}

void TMemorySink::Present(player::TDisplayImagePtr image) {
  {
    std::lock_guard lock(Mutex_);
    Latest_ = std::move(image);
  }
  ++Presented_;
}

void TMemorySink::Resize(int width, int height) {
  Width_ = width;
  Height_ = height;
  NotifyResize(width, height);
}

player::TDisplayImagePtr TMemorySink::Latest() const {
  std::lock_guard lock(Mutex_);
  return Latest_;
}

TPlayerRecorder::~TPlayerRecorder() {
  Player.SetOnState(nullptr);
  Player.SetOnPosition(nullptr);
}

TPlayerRecorder::TPlayerRecorder(player::TCustomPlayer& player) : Player(player) {
  player.SetOnState([this](player::TCustomPlayer*, player::TPlayState s) { States.push_back(s); });
  player.SetOnPosition([this](player::TCustomPlayer*, int64_t p) { Positions.push_back(p); });
}

bool TPlayerRecorder::HasState(player::TPlayState state) const {
  for (auto s : States)
    if (s == state) return true;
  return false;
}

TRgb PixelAt(const platform::TBitmap24& bitmap, int x, int y) {
  const uint8_t* p = bitmap.ScanLine(y) + x * 3;
  return {p[2], p[1], p[0]};
}

std::string ColourName(TRgb c) {
  auto high = [](int v) { return v > 180; };
  auto low = [](int v) { return v < 80; };
  if (high(c.R) && high(c.G) && high(c.B)) return "white";
  if (low(c.R) && low(c.G) && low(c.B)) return "black";
  if (high(c.R) && low(c.G) && low(c.B)) return "red";
  if (low(c.R) && high(c.G) && low(c.B)) return "green";
  if (low(c.R) && low(c.G) && high(c.B)) return "blue";
  return "other(" + std::to_string(c.R) + "," + std::to_string(c.G) + "," + std::to_string(c.B) + ")";
}

}  // namespace zanto::test
