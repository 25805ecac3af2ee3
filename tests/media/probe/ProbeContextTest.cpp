// Who owns the described context: the probe closes what it opened and never what it was handed.
// Also contexts that tell less than a plain file does (no size, a broken time base).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "media/MediaProbe.h"
#include "support/Fixtures.h"

namespace zanto::media {
namespace {

using test::Fixture;

// Open files of this process.
int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

InputFormatPtr OpenInput(const std::string& path) {
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return nullptr;
  InputFormatPtr context(raw);
  if (avformat_find_stream_info(raw, nullptr) < 0) return nullptr;
  return context;
}

// The context can still be read: it was not closed behind our back.
void ExpectReadable(AVFormatContext* context) {
  PacketPtr packet = MakePacket();
  ASSERT_GE(av_read_frame(context, packet.get()), 0);
  EXPECT_GT(packet->size, 0);
}

TEST(ProbeContext, LoadingAgainClosesTheOwnedFile) {
  const int before = OpenDescriptors();
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(Fixture("clip.mp4")));
  const int withOne = OpenDescriptors();
  EXPECT_GT(withOne, before);
  for (const char* name : {"clip.avi", "audio.mp3", "clip_90k.ts"}) {
    ASSERT_TRUE(probe.LoadFile(Fixture(name))) << name;
    EXPECT_EQ(OpenDescriptors(), withOne) << name;
  }
  EXPECT_FALSE(probe.LoadFile(Fixture("text.mp4")));
  EXPECT_EQ(OpenDescriptors(), before);
  ASSERT_TRUE(probe.LoadFile(Fixture("clip.mkv")));
  probe.CloseFile();
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(probe.StreamCount(), -1);
  EXPECT_EQ(probe.FormatContext(), nullptr);
}

TEST(ProbeContext, AttachingNeverClosesTheAttachedContext) {
  InputFormatPtr context = OpenInput(Fixture("clip.mp4"));
  ASSERT_TRUE(context);
  {
    TMediaProbe probe;
    probe.AttachContext(context.get());
    EXPECT_EQ(probe.FormatContext(), context.get());
    EXPECT_FALSE(probe.OwnsContext());
    EXPECT_EQ(probe.StreamCount(), 2);
    EXPECT_EQ(probe.FirstVideoStream(), 0);
    EXPECT_EQ(probe.FirstAudioStream(), 1);
    EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(std::filesystem::file_size(Fixture("clip.mp4"))));
    EXPECT_EQ(probe.FileName(), Fixture("clip.mp4"));

    // Each way of letting go leaves the context to its owner.
    ASSERT_TRUE(probe.LoadFile(Fixture("audio.mp3")));
    EXPECT_TRUE(probe.OwnsContext());
    ExpectReadable(context.get());
    probe.AttachContext(context.get());
    probe.CloseFile();
    ExpectReadable(context.get());
    probe.AttachContext(context.get());
    probe.AttachContext(nullptr);
    EXPECT_EQ(probe.FormatContext(), nullptr);
    EXPECT_EQ(probe.StreamCount(), -1);
    ExpectReadable(context.get());
    probe.AttachContext(context.get());
  }  // destroyed while attached
  ExpectReadable(context.get());
}

TEST(ProbeContext, AttachingClosesAnOwnedFile) {
  const int before = OpenDescriptors();
  InputFormatPtr context = OpenInput(Fixture("clip.avi"));
  ASSERT_TRUE(context);
  const int withAttached = OpenDescriptors();
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(Fixture("clip.mp4")));
  probe.AttachContext(context.get());
  EXPECT_EQ(OpenDescriptors(), withAttached);
  EXPECT_EQ(probe.FormatName(), "avi");
  context.reset();
  probe.AttachContext(nullptr);
  EXPECT_EQ(OpenDescriptors(), before);
}

// A reader that cannot seek: the context cannot tell the size of what it reads.
class PipeLikeInput {
 public:
  // Reads `path` through callbacks; the context's file name is `url`.
  PipeLikeInput(const std::string& path, const std::string& url) : File_(std::fopen(path.c_str(), "rb")) {
    if (!File_) return;
    constexpr int kBufferSize = 4096;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    Io_ = avio_alloc_context(buffer, kBufferSize, 0, File_, &Read, nullptr, nullptr);
    AVFormatContext* raw = avformat_alloc_context();
    raw->pb = Io_;
    if (avformat_open_input(&raw, url.c_str(), nullptr, nullptr) < 0) return;
    Context_.reset(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) Context_.reset();
  }
  ~PipeLikeInput() {
    Context_.reset();  // a custom reader is not freed with the context
    if (Io_) av_freep(&Io_->buffer);
    avio_context_free(&Io_);
    if (File_) std::fclose(File_);
  }
  PipeLikeInput(const PipeLikeInput&) = delete;
  PipeLikeInput& operator=(const PipeLikeInput&) = delete;

  AVFormatContext* Context() const { return Context_.get(); }

 private:
  static int Read(void* opaque, uint8_t* buffer, int size) {
    const size_t n = std::fread(buffer, 1, static_cast<size_t>(size), static_cast<FILE*>(opaque));
    return n == 0 ? AVERROR_EOF : static_cast<int>(n);
  }

  FILE* File_;
  AVIOContext* Io_ = nullptr;
  InputFormatPtr Context_;
};

TEST(ProbeContext, SizeComesFromDiskWhenTheContextCannotTell) {
  const std::string path = Fixture("clip_90k.ts");
  struct Case {
    const char* Name;
    std::string Url;
    int64_t Expected;
  };
  const Case cases[] = {
      {"named file on disk", path, static_cast<int64_t>(std::filesystem::file_size(path))},
      {"name of no file", "/nonexistent/stream.ts", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    PipeLikeInput input(path, c.Url);
    ASSERT_NE(input.Context(), nullptr);
    ASSERT_LT(avio_size(input.Context()->pb), 0);  // the premise: the reader knows no size
    TMediaProbe probe;
    probe.AttachContext(input.Context());
    EXPECT_EQ(probe.FileSize(), c.Expected);
    EXPECT_EQ(probe.VideoStreamCount(), 1);
    EXPECT_EQ(probe.AudioStreamCount(), 1);
    EXPECT_EQ(probe.ProgramCount(), 1);
  }
}

TEST(ProbeContext, ZeroTimeBaseDenominatorIsRepairedBeforeUse) {
  struct Case {
    AVRational Broken;
    AVRational Repaired;
  };
  const Case cases[] = {
      {{12800, 0}, {12800, 12800}},
      {{0, 0}, {0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Broken.num);
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(Fixture("late_start.mp4")));
    AVStream* stream = probe.FormatContext()->streams[0];
    const int64_t rawStart = stream->start_time;
    const int64_t rawDuration = stream->duration;
    stream->time_base = c.Broken;
    EXPECT_FALSE(probe.FormatInfoText().empty());  // describing it first must not fail either

    TVideoStreamInfo video;
    ASSERT_TRUE(probe.GetVideoStreamInfo(0, video));
    EXPECT_EQ(stream->time_base.num, c.Repaired.num);
    EXPECT_EQ(stream->time_base.den, c.Repaired.den);
    EXPECT_EQ(video.StreamStartTime, rawStart);
    EXPECT_EQ(video.StreamDuration, rawDuration);
    EXPECT_EQ(video.StartTime, av_rescale_q(rawStart, c.Repaired, {1, 1000000}));
    EXPECT_EQ(video.Duration, av_rescale_q(rawDuration, c.Repaired, {1, 1000000}));
  }
}

}  // namespace
}  // namespace zanto::media
