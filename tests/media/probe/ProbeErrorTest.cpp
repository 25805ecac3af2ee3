// Files the probe cannot read and questions it cannot answer: False or reset records, the
// documented text in LastErrorMessage, the documented log level, and never a crash.
#include <gtest/gtest.h>

#include <string>

#include "LogCapture.h"
#include "media/MediaProbe.h"
#include "media/MediaUtils.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace zanto::media {
namespace {

using test::Fixture;

void ExpectEmpty(TMediaProbe& probe) {
  EXPECT_EQ(probe.FormatContext(), nullptr);
  EXPECT_FALSE(probe.OwnsContext());
  EXPECT_EQ(probe.FileSize(), -1);
  EXPECT_EQ(probe.StreamCount(), -1);
  EXPECT_EQ(probe.ProgramCount(), -1);
  EXPECT_EQ(probe.AudioStreamCount(), -1);
  EXPECT_EQ(probe.VideoStreamCount(), -1);
  EXPECT_EQ(probe.SubtitleStreamCount(), -1);
  EXPECT_EQ(probe.FirstAudioStream(), -1);
  EXPECT_EQ(probe.FirstVideoStream(), -1);
  EXPECT_EQ(probe.FirstSubtitleStream(), -1);
}

void ExpectVideoReset(const TVideoStreamInfo& v) {
  EXPECT_EQ(v.Language, "");
  EXPECT_EQ(v.CodecName, "");
  for (int64_t field : {v.StreamStartTime, v.StartTime, v.StreamDuration, v.Duration})
    EXPECT_EQ(field, -1);
  for (int32_t field : {v.BitRate, v.Height, v.Width, v.PixelFormat, v.FrameRateNum,
                        v.FrameRateDen})
    EXPECT_EQ(field, -1);
  EXPECT_EQ(v.DisplayAspectRatio, -1.0f);
}

void ExpectAudioReset(const TAudioStreamInfo& a) {
  EXPECT_EQ(a.Language, "");
  EXPECT_EQ(a.CodecName, "");
  for (int64_t field : {a.StreamStartTime, a.StartTime, a.StreamDuration, a.Duration})
    EXPECT_EQ(field, -1);
  for (int32_t field : {a.BitRate, a.Channels, a.SampleRate, a.SampleFormat}) EXPECT_EQ(field, -1);
}

TEST(ProbeError, UnreadableFilesFailWithTheLibraryMessage) {
  test::TempDir temp;
  struct Case {
    std::string Path;
    int Code;  // the library's error for opening it
  };
  const Case cases[] = {
      {Fixture("empty.mp4"), AVERROR_INVALIDDATA},
      {Fixture("text.mp4"), AVERROR_INVALIDDATA},
      {Fixture("truncated_head.mp4"), AVERROR_INVALIDDATA},
      {temp.File("missing.mp4"), AVERROR(ENOENT)},
      {temp.File("нет такого файла.avi"), AVERROR(ENOENT)},
      {temp.Path(), AVERROR(EISDIR)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    test::LogCapture log;
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(Fixture("clip.mp4")));  // a failed load also drops this one
    EXPECT_FALSE(probe.LoadFile(c.Path));
    const std::string message = c.Path + ": " + ErrorText(c.Code);
    EXPECT_EQ(probe.LastErrorMessage(), message);
    const auto lines = log.From(&probe);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Level, llError);
    EXPECT_EQ(lines[0].Text, message);
    ExpectEmpty(probe);
    EXPECT_EQ(probe.FormatInfoText(), "");
    EXPECT_EQ(probe.LastErrorMessage(), "file not loaded.");
  }
}

TEST(ProbeError, UnknownFormatNameIsStoredWithoutLogging) {
  test::LogCapture log;
  TMediaProbe probe;
  EXPECT_FALSE(probe.LoadFile(Fixture("clip.mp4"), "no_such_format"));
  EXPECT_EQ(probe.LastErrorMessage(), "Unknown input format: no_such_format");
  EXPECT_TRUE(log.From(&probe).empty());
  ExpectEmpty(probe);
}

TEST(ProbeError, ForcingTheWrongFormatFails) {
  TMediaProbe probe;
  EXPECT_FALSE(probe.LoadFile(Fixture("text.mp4"), "mpegts"));
  EXPECT_EQ(probe.LastErrorMessage().rfind(Fixture("text.mp4") + ": ", 0), 0u)
      << probe.LastErrorMessage();
  EXPECT_EQ(probe.ForcedFormatName(), "");
  ExpectEmpty(probe);
}

// Every getter on an empty probe: a warning "file not loaded." and a reset answer.
TEST(ProbeError, GettersOnAnEmptyProbeWarn) {
  test::LogCapture log;
  TMediaProbe probe;
  ExpectEmpty(probe);
  TVideoStreamInfo video;
  video.Width = 7;
  TAudioStreamInfo audio;
  audio.Channels = 7;
  TFileStreamInfo file;
  file.Title = "stale";
  EXPECT_EQ(probe.FileName(), "");
  EXPECT_EQ(probe.FormatName(), "");
  EXPECT_EQ(probe.FormatInfoText(), "");
  EXPECT_FALSE(probe.IsAudioStream(0));
  EXPECT_FALSE(probe.IsVideoStream(0));
  EXPECT_FALSE(probe.GetVideoStreamInfo(0, video));
  EXPECT_FALSE(probe.GetAudioStreamInfo(-1, audio));
  probe.GetFileStreamInfo(file);
  ExpectVideoReset(video);
  ExpectAudioReset(audio);
  EXPECT_EQ(file.Title, "");
  EXPECT_EQ(file.Duration, -1);
  EXPECT_EQ(file.BitRate, -1);
  EXPECT_EQ(file.Year, -1);
  const auto lines = log.From(&probe);
  ASSERT_EQ(lines.size(), 8u);
  for (const auto& line : lines) {
    EXPECT_EQ(line.Level, llWarning);
    EXPECT_EQ(line.Text, "file not loaded.");
  }
  EXPECT_EQ(probe.LastErrorMessage(), "file not loaded.");
}

TEST(ProbeError, StreamQuestionsThatCannotBeAnswered) {
  TMediaProbe clip, audioOnly, videoOnly;
  ASSERT_TRUE(clip.LoadFile(Fixture("clip.mp4")));  // #0 video, #1 audio
  ASSERT_TRUE(audioOnly.LoadFile(Fixture("audio.mp3")));
  ASSERT_TRUE(videoOnly.LoadFile(Fixture("video_only.mp4")));
  EXPECT_EQ(audioOnly.VideoStreamCount(), 0);
  EXPECT_EQ(audioOnly.FirstVideoStream(), -1);
  EXPECT_EQ(videoOnly.AudioStreamCount(), 0);

  struct Case {
    const char* Name;
    TMediaProbe* Probe;
    bool Video;  // GetVideoStreamInfo, else GetAudioStreamInfo
    int Index;
    const char* Message;
  };
  const Case cases[] = {
      {"no video", &audioOnly, true, -1, "no video stream."},
      {"no audio", &videoOnly, false, -1, "no audio stream."},
      {"video index = count", &clip, true, 2, "stream index #2 is invalid."},
      {"audio index = count", &clip, false, 2, "stream index #2 is invalid."},
      {"index far out", &clip, true, 1000, "stream index #1000 is invalid."},
      {"audio is not video", &clip, true, 1, "stream #1 is not video stream."},
      {"video is not audio", &clip, false, 0, "stream #0 is not audio stream."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    test::LogCapture log;
    if (c.Video) {
      TVideoStreamInfo v;
      v.Width = 99;
      EXPECT_FALSE(c.Probe->GetVideoStreamInfo(c.Index, v));
      ExpectVideoReset(v);
    } else {
      TAudioStreamInfo a;
      a.SampleRate = 99;
      EXPECT_FALSE(c.Probe->GetAudioStreamInfo(c.Index, a));
      ExpectAudioReset(a);
    }
    EXPECT_EQ(c.Probe->LastErrorMessage(), c.Message);
    const auto lines = log.From(c.Probe);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Level, llError);
    EXPECT_EQ(lines[0].Text, c.Message);
  }

  for (int index : {-1, 2, 1000}) {
    test::LogCapture log;
    EXPECT_FALSE(clip.IsVideoStream(index));
    EXPECT_FALSE(clip.IsAudioStream(index));
    const std::string message = "stream index #" + std::to_string(index) + " is invalid.";
    EXPECT_EQ(clip.LastErrorMessage(), message);
    const auto lines = log.From(&clip);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].Level, llError);
  }
}

TEST(ProbeError, CheckLibrariesAcceptsTheLinkedSet) {
  EXPECT_NO_THROW(TCustomMediaProbe::CheckLibraries());
}

}  // namespace
}  // namespace zanto::media
