// The probe on every readable fixture, compared with an independent reading by ffprobe.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "media/MediaProbe.h"
#include "support/FFprobe.h"
#include "support/Fixtures.h"

namespace zanto::media {
namespace {

using test::Fixture;

struct GoodFile {
  const char* Name;
  int Programs;  // ffprobe's reading does not list programs
};

const GoodFile kGoodFiles[] = {
    {"clip.mp4", 0},       {"clip_30fps.mp4", 0},  {"clip.avi", 0},       {"clip.mkv", 0},
    {"clip_90k.ts", 1},    {"clip_2997.mp4", 0},   {"video_only.mp4", 0}, {"odd_321x241.mkv", 0},
    {"audio.mp3", 0},      {"audio.wav", 0},       {"id3.mp3", 0},        {"tagged.mp4", 0},
    {"dated.mp4", 0},      {"lang_only.ts", 1},    {"late_start.mp4", 0}, {"late_start.ts", 1},
    {"клип é.mp4", 0},     {"truncated.mp4", 0},   {"subs.mkv", 0},
};

int64_t Us(double seconds) { return std::llround(seconds * 1e6); }

// A time the probe reports (-1 when unknown) against ffprobe's seconds (0 when it printed N/A,
// -1 for a missing duration).
void ExpectTime(int64_t probeUs, double ffprobeSeconds, const std::string& what) {
  if (probeUs == -1) {
    EXPECT_LE(ffprobeSeconds, 0) << what;
    return;
  }
  EXPECT_NEAR(static_cast<double>(probeUs), static_cast<double>(Us(ffprobeSeconds)), 1) << what;
}

TEST(ProbeFile, CountsAndFileFactsMatchFFprobe) {
  for (const auto& file : kGoodFiles) {
    SCOPED_TRACE(file.Name);
    const std::string path = Fixture(file.Name);
    const test::ProbeResult expected = test::FFprobe(path);
    ASSERT_TRUE(expected.Ok);

    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(path)) << probe.LastErrorMessage();
    EXPECT_TRUE(probe.OwnsContext());
    EXPECT_EQ(probe.ForcedFormatName(), "");
    EXPECT_EQ(probe.FileName(), path);
    EXPECT_EQ(probe.FormatName(), expected.FormatName);
    EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(std::filesystem::file_size(path)));
    EXPECT_EQ(probe.FileSize(), expected.Size);

    EXPECT_EQ(probe.StreamCount(), static_cast<int>(expected.Streams.size()));
    EXPECT_EQ(probe.ProgramCount(), file.Programs);
    EXPECT_EQ(probe.VideoStreamCount(), expected.Count("video"));
    EXPECT_EQ(probe.AudioStreamCount(), expected.Count("audio"));
    EXPECT_EQ(probe.SubtitleStreamCount(), expected.Count("subtitle"));
    const auto* video = expected.First("video");
    const auto* audio = expected.First("audio");
    EXPECT_EQ(probe.FirstVideoStream(), video ? video->Index : -1);
    EXPECT_EQ(probe.FirstAudioStream(), audio ? audio->Index : -1);
    const auto* subtitle = expected.First("subtitle");
    EXPECT_EQ(probe.FirstSubtitleStream(), subtitle ? subtitle->Index : -1);
    for (const auto& s : expected.Streams) {
      EXPECT_EQ(probe.IsVideoStream(s.Index), s.CodecType == "video") << s.Index;
      EXPECT_EQ(probe.IsAudioStream(s.Index), s.CodecType == "audio") << s.Index;
    }

    TFileStreamInfo info;
    probe.GetFileStreamInfo(info);
    ExpectTime(info.Duration, expected.Duration, "file duration");
    ExpectTime(info.StartTime, expected.StartTime, "file start");
    EXPECT_EQ(info.BitRate, expected.BitRate > 0 ? expected.BitRate : 0);
  }
}

TEST(ProbeFile, StreamRecordsMatchFFprobe) {
  for (const auto& file : kGoodFiles) {
    SCOPED_TRACE(file.Name);
    const std::string path = Fixture(file.Name);
    const test::ProbeResult expected = test::FFprobe(path);
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(path)) << probe.LastErrorMessage();

    for (const auto& s : expected.Streams) {
      SCOPED_TRACE("stream " + std::to_string(s.Index));
      const auto tag = s.Tags.find("language");
      const std::string language = tag == s.Tags.end() ? "" : tag->second;
      if (s.CodecType == "video") {
        TVideoStreamInfo v;
        ASSERT_TRUE(probe.GetVideoStreamInfo(s.Index, v)) << probe.LastErrorMessage();
        // The decoder's name ("mp3float" for "mp3") and its long name in parentheses.
        EXPECT_EQ(v.CodecName.rfind(s.CodecName, 0), 0u) << v.CodecName;
        EXPECT_NE(v.CodecName.find('('), std::string::npos) << v.CodecName;
        EXPECT_EQ(v.CodecName.back(), ')') << v.CodecName;
        EXPECT_EQ(v.Language, language);
        EXPECT_EQ(v.Width, s.Width);
        EXPECT_EQ(v.Height, s.Height);
        EXPECT_STREQ(av_get_pix_fmt_name(static_cast<AVPixelFormat>(v.PixelFormat)),
                     s.PixFmt.c_str());
        ASSERT_GT(v.FrameRateDen, 0);
        EXPECT_DOUBLE_EQ(static_cast<double>(v.FrameRateNum) / v.FrameRateDen, s.RFrameRate);
        ExpectTime(v.StartTime, s.StartTime, "video start");
        ExpectTime(v.Duration, s.Duration, "video duration");
        // Square pixels everywhere; FFV1 leaves the codec's pixel shape unknown, which reads 0.
        const bool unknownShape = s.CodecName == "ffv1";
        EXPECT_NEAR(v.DisplayAspectRatio,
                    unknownShape ? 0.0 : static_cast<double>(s.Width) / s.Height, 1e-5);
      } else if (s.CodecType == "audio") {
        TAudioStreamInfo a;
        ASSERT_TRUE(probe.GetAudioStreamInfo(s.Index, a)) << probe.LastErrorMessage();
        EXPECT_EQ(a.CodecName.rfind(s.CodecName, 0), 0u) << a.CodecName;
        EXPECT_EQ(a.Language, language);
        EXPECT_EQ(a.SampleRate, s.SampleRate);
        EXPECT_EQ(a.Channels, s.Channels);
        EXPECT_STREQ(av_get_sample_fmt_name(static_cast<AVSampleFormat>(a.SampleFormat)),
                     s.SampleFmt.c_str());
        // Estimated from the packets read while probing: close, not always equal.
        if (s.BitRate > 0) {
          EXPECT_NEAR(a.BitRate, s.BitRate, s.BitRate / 50);
        }
        ExpectTime(a.StartTime, s.StartTime, "audio start");
        ExpectTime(a.Duration, s.Duration, "audio duration");
      }
    }
  }
}

TEST(ProbeFile, FirstStreamOfAKindIsTheDefault) {
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(Fixture("clip.mp4")));
  TVideoStreamInfo byDefault, byIndex;
  ASSERT_TRUE(probe.GetVideoStreamInfo(-1, byDefault));
  ASSERT_TRUE(probe.GetVideoStreamInfo(probe.FirstVideoStream(), byIndex));
  EXPECT_EQ(byDefault.CodecName, byIndex.CodecName);
  EXPECT_EQ(byDefault.Width, 320);
  EXPECT_EQ(byDefault.FrameRateNum, 25);
  EXPECT_EQ(byDefault.FrameRateDen, 1);
  TAudioStreamInfo audio;
  ASSERT_TRUE(probe.GetAudioStreamInfo(-5, audio));
  EXPECT_EQ(audio.SampleRate, 44100);
  EXPECT_EQ(audio.Channels, 2);
}

TEST(ProbeFile, EveryKindIsCountedOnlyAsItself) {
  // #0 subtitles, #1 video, #2 audio, #3 an attachment, which counts only as a stream.
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(Fixture("subs.mkv"))) << probe.LastErrorMessage();
  EXPECT_EQ(probe.StreamCount(), 4);
  EXPECT_EQ(probe.SubtitleStreamCount(), 1);
  EXPECT_EQ(probe.VideoStreamCount(), 1);
  EXPECT_EQ(probe.AudioStreamCount(), 1);
  EXPECT_EQ(probe.FirstSubtitleStream(), 0);
  EXPECT_EQ(probe.FirstVideoStream(), 1);
  EXPECT_EQ(probe.FirstAudioStream(), 2);
  TVideoStreamInfo video;
  ASSERT_TRUE(probe.GetVideoStreamInfo(-1, video));
  EXPECT_EQ(video.Width, 320);
  TAudioStreamInfo audio;
  EXPECT_FALSE(probe.GetAudioStreamInfo(3, audio));
  EXPECT_EQ(probe.LastErrorMessage(), "stream #3 is not audio stream.");
  EXPECT_FALSE(probe.GetVideoStreamInfo(0, video));
  EXPECT_EQ(probe.LastErrorMessage(), "stream #0 is not video stream.");
}

TEST(ProbeFile, StreamWithoutStartTimeKeepsTheRawNoTime) {
  // A WAV file gives its audio stream no start time.
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(Fixture("audio.wav")));
  TAudioStreamInfo audio;
  ASSERT_TRUE(probe.GetAudioStreamInfo(-1, audio));
  EXPECT_EQ(audio.StreamStartTime, AV_NOPTS_VALUE);
  EXPECT_EQ(audio.StartTime, -1);
  EXPECT_EQ(audio.Duration, 2000000);
}

TEST(ProbeFile, LateStartIsReportedInMicroseconds) {
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(Fixture("late_start.mp4")));
  TVideoStreamInfo video;
  ASSERT_TRUE(probe.GetVideoStreamInfo(-1, video));
  EXPECT_EQ(video.StartTime, 1400000);
  const AVRational tb = probe.FormatContext()->streams[probe.FirstVideoStream()]->time_base;
  EXPECT_EQ(video.StreamStartTime, av_rescale_q(1400000, {1, 1000000}, tb));

  ASSERT_TRUE(probe.LoadFile(Fixture("late_start.ts")));
  ASSERT_TRUE(probe.GetVideoStreamInfo(-1, video));
  EXPECT_EQ(video.StartTime, 1400000);
  EXPECT_EQ(video.StreamStartTime, 126000);  // 1.4 s at 90 kHz
}

TEST(ProbeFile, FileMetadataMatchesFFprobe) {
  struct Case {
    const char* Name;
    const char* Title;
    const char* Author;
    const char* Album;
    const char* Genre;
    const char* Comment;
    int Year, Track;
    int64_t TimeStamp;
  };
  const Case cases[] = {
      {"tagged.mp4", "Tagged Clip", "Zanto Tester", "", "", "made for tests", 0, 0, 0},
      {"id3.mp3", "Test Title", "Test Artist", "Test Album", "Blues", "", 2001, 7, 0},
      {"dated.mp4", "", "", "", "", "", 0, 0, 1577934245},
      {"clip.mp4", "", "", "", "", "", 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Fixture(c.Name);
    const test::ProbeResult expected = test::FFprobe(path);
    auto tag = [&](const char* key) {
      const auto it = expected.Tags.find(key);
      return it == expected.Tags.end() ? std::string() : it->second;
    };
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(path));
    TFileStreamInfo info;
    probe.GetFileStreamInfo(info);
    EXPECT_EQ(info.Title, c.Title);
    EXPECT_EQ(info.Title, tag("title"));
    EXPECT_EQ(info.Author, c.Author);
    EXPECT_EQ(info.Author, tag("artist"));
    EXPECT_EQ(info.Album, c.Album);
    EXPECT_EQ(info.Genre, c.Genre);
    EXPECT_EQ(info.Comment, c.Comment);
    EXPECT_EQ(info.Comment, tag("comment"));
    EXPECT_EQ(info.Copyright, "");
    EXPECT_EQ(info.Year, c.Year);
    EXPECT_EQ(info.Track, c.Track);
    EXPECT_EQ(info.TimeStamp, c.TimeStamp);
  }
}

TEST(ProbeFile, ForcedFormatIsRemembered) {
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(Fixture("audio.wav"), "wav")) << probe.LastErrorMessage();
  EXPECT_EQ(probe.ForcedFormatName(), "wav");
  EXPECT_EQ(probe.FormatName(), "wav");
  probe.CloseFile();
  EXPECT_EQ(probe.ForcedFormatName(), "");
}

}  // namespace
}  // namespace zanto::media
