// The custom hook: what it draws is exactly what changes in the encoded pictures; a hook that
// leaves Update False, stops itself or raises leaves the encoded stream bit-identical.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "EngineHarness.h"
#include "support/FFprobe.h"

namespace zanto::engine::test {
namespace {

using zanto::test::Fixture;
using zanto::test::ReadFileBytes;
using zanto::test::RunCommand;
using zanto::test::ShellQuote;
using zanto::test::TempDir;

// Decoded pictures of a file as packed RGB bytes, by the ffmpeg program.
std::string DecodeRgb(const std::string& file, const std::string& scratch) {
  RunCommand("ffmpeg -nostdin -v error -y -i " + ShellQuote(file) +
             " -f rawvideo -pix_fmt rgb24 " + ShellQuote(scratch));
  return ReadFileBytes(scratch);
}

// The encoded video packets' checksum, by the ffmpeg program.
std::string VideoPacketsMd5(const std::string& file) {
  std::string out;
  RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(file) + " -map 0:v -c copy -f md5 -", &out);
  return out;
}

TOutputOptions Mpeg4(bool hook) {
  TOutputOptions options;
  options.VideoCodec = "mpeg4";
  options.AudioCodec = "aac";
  options.CustomHook = hook;
  return options;
}

TEST(CustomHook, DrawnPixelsAndOnlyThoseChange) {
  TempDir dir;
  // A lossless source and output (BGR24 raw video), so the comparison is exact.
  const std::string source = dir.File("bgr.avi");
  ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=64x48:rate=10:duration=1 "
                       "-c:v rawvideo -pix_fmt bgr24 " + ShellQuote(source)), 0);
  constexpr int kLeft = 10, kTop = 5, kWidth = 8, kHeight = 6;
  TOutputOptions options;
  options.VideoCodec = "rawvideo";
  {
    EngineHarness h;
    ASSERT_TRUE(h.Convert(source, dir.File("plain.avi"), options).Finished);
  }
  EngineHarness h;
  std::atomic<int> calls{0};
  h.Engine.SetOnCustomHook([&](TCustomFFmpegEngine*, PHookInfo info) {
    ++calls;
    EXPECT_EQ(info->FrameNumber, calls.load());
    EXPECT_TRUE(info->Update);
    for (int y = kTop; y < kTop + kHeight; ++y) {
      uint8_t* row = info->Bitmap->ScanLine(y);
      for (int x = kLeft; x < kLeft + kWidth; ++x) {
        row[x * 3 + 0] = 0;    // B
        row[x * 3 + 1] = 0;    // G
        row[x * 3 + 2] = 255;  // R
      }
    }
  });
  options.CustomHook = true;
  ASSERT_TRUE(h.Convert(source, dir.File("hooked.avi"), options).Finished);
  EXPECT_EQ(calls.load(), 10);

  const std::string plain = DecodeRgb(dir.File("plain.avi"), dir.File("plain.rgb"));
  const std::string hooked = DecodeRgb(dir.File("hooked.avi"), dir.File("hooked.rgb"));
  ASSERT_EQ(plain.size(), 64u * 48 * 3 * 10);
  ASSERT_EQ(hooked.size(), plain.size());
  int changedOutside = 0, wrongInside = 0;
  for (size_t i = 0; i < plain.size(); i += 3) {
    const size_t pixel = (i / 3) % (64 * 48);
    const int x = static_cast<int>(pixel % 64), y = static_cast<int>(pixel / 64);
    const bool inside = x >= kLeft && x < kLeft + kWidth && y >= kTop && y < kTop + kHeight;
    if (inside) {
      wrongInside += static_cast<uint8_t>(hooked[i]) != 255 || hooked[i + 1] != 0 || hooked[i + 2] != 0;
    } else {
      changedOutside += plain.compare(i, 3, hooked, i, 3) != 0;
    }
  }
  EXPECT_EQ(wrongInside, 0);
  EXPECT_EQ(changedOutside, 0);
}

// Hooks that do not update the picture: the encoded stream equals one made without a hook.
TEST(CustomHook, UnchangedFramesAreBitIdentical) {
  TempDir dir;
  {
    EngineHarness h;
    ASSERT_TRUE(h.Convert(Fixture("clip.mp4"), dir.File("none.mp4"), Mpeg4(false)).Finished);
  }
  const std::string reference = VideoPacketsMd5(dir.File("none.mp4"));
  ASSERT_FALSE(reference.empty());

  struct Case {
    const char* Name;
    std::function<void(PHookInfo)> Handler;
    int ExpectedCalls;
  };
  const std::vector<Case> cases = {
      {"update-false", [](PHookInfo info) { info->Update = false; }, 50},
      {"stop-hook", [](PHookInfo info) { info->StopHook = true; }, 1},
      {"raises", [](PHookInfo) { throw std::runtime_error("boom"); }, 50},
  };
  for (const Case& c : cases) {
    LogCapture log;
    EngineHarness h;
    std::atomic<int> calls{0};
    h.Engine.SetOnCustomHook([&](TCustomFFmpegEngine*, PHookInfo info) {
      ++calls;
      c.Handler(info);
    });
    const std::string out = dir.File(std::string(c.Name) + ".mp4");
    const auto result = h.Convert(Fixture("clip.mp4"), out, Mpeg4(true));
    ASSERT_TRUE(result.Finished) << c.Name << ": " << result.ExceptionMsg;
    EXPECT_EQ(calls.load(), c.ExpectedCalls) << c.Name;
    EXPECT_EQ(VideoPacketsMd5(out), reference) << c.Name;
    if (std::string(c.Name) == "raises") {
      EXPECT_TRUE(log.Contains("Error occurs OnCustomHook: boom"));
    }
  }
}

}  // namespace
}  // namespace zanto::engine::test
