// Real conversions, checked by ffprobe: codecs, sizes, rates, durations and A/V start for a
// table of output formats; inputs without audio or video; "t" and "ss"; bad inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "EngineHarness.h"
#include "support/FFprobe.h"

namespace zanto::engine::test {
namespace {

using zanto::test::FFprobe;
using zanto::test::Fixture;
using zanto::test::ProbeResult;
using zanto::test::ProbeStream;
using zanto::test::TempDir;

struct FormatCase {
  const char* Name;
  const char* Extension;
  TOutputOptions Options;
  // Expected; an empty codec means "no such stream".
  const char* VideoCodec;
  int Width, Height;
  double Fps;
  const char* PixFmt;  // "" = not checked
  const char* Tag;     // "" = not checked (compared without regard to case)
  const char* AudioCodec;
  int SampleRate, Channels;
};

TOutputOptions Opt(const char* vcodec, const char* acodec, const char* size = "", const char* rate = "",
                   int ar = -1, int ac = -1) {
  TOutputOptions o;
  o.VideoCodec = vcodec;
  o.AudioCodec = acodec;
  o.FrameSize = size;
  o.FrameRate = rate;
  o.AudioSampleRate = ar;
  o.AudioChannels = ac;
  return o;
}

TOutputOptions Target(int type, int norm) {
  TOutputOptions o;
  o.TargetType = type;
  o.TargetNorm = norm;
  return o;
}

TOutputOptions AudioOnly(const char* acodec) {
  TOutputOptions o = Opt("", acodec);
  o.DisableVideo = true;
  o.AudioBitrate = 128000;
  return o;
}

std::vector<FormatCase> Cases() {
  TOutputOptions ipod = Opt("mpeg4", "aac", "320x240");
  ipod.VideoBitrate = 768000;
  ipod.AudioBitrate = 128000;
  return {
      {"Mp4Mpeg4Aac", "mp4", ipod, "mpeg4", 320, 240, 25, "yuv420p", "mp4v", "aac", 44100, 2},
      {"Mp4X264Aac", "mp4", Opt("libx264", "aac", "640x480", "30"), "h264", 640, 480, 30, "yuv420p", "avc1", "aac", 44100, 2},
      {"AviXvidMp3", "avi", Opt("libxvid", "libmp3lame", "", "", 22050, 1), "mpeg4", 320, 240, 25, "", "xvid", "mp3", 22050, 1},
      {"WmvAsf", "wmv", Opt("wmv2", "wmav2"), "wmv2", 320, 240, 25, "", "", "wmav2", 44100, 2},
      {"Flv", "flv", Opt("flv", "libmp3lame", "", "", 22050), "flv1", 320, 240, 25, "", "", "mp3", 22050, 2},
      {"ThreeGp", "3gp", Opt("h263", "libopencore_amrnb", "176x144", "", 8000, 1), "h263", 176, 144, 25, "", "", "aac", 8000, 1},
      {"Mkv", "mkv", Opt("libx264", "libvorbis"), "h264", 320, 240, 25, "", "", "vorbis", 44100, 2},
      {"VcdPal", "mpg", Target(1, 1), "mpeg1video", 352, 288, 25, "", "", "mp2", 44100, 2},
      {"SvcdPal", "mpg", Target(2, 1), "mpeg2video", 480, 576, 25, "", "", "mp2", 44100, 2},
      {"DvdNtsc", "mpg", Target(3, 2), "mpeg2video", 720, 480, 30000.0 / 1001, "", "", "ac3", 48000, 2},
      {"MpegTs", "ts", Opt("mpeg2video", "mp2"), "mpeg2video", 320, 240, 25, "", "", "mp2", 44100, 2},
      {"DvPal", "dv", Opt("dvvideo", "pcm_s16le", "720x576", "25", 48000), "dvvideo", 720, 576, 25, "yuv420p", "", "pcm_s16le", 48000, 2},
      {"DvNtsc", "dv", Opt("dvvideo", "pcm_s16le", "720x480", "30000/1001", 48000), "dvvideo", 720, 480, 30000.0 / 1001, "yuv411p", "", "pcm_s16le", 48000, 2},
      {"Mp3", "mp3", AudioOnly("libmp3lame"), "", 0, 0, 0, "", "", "mp3", 44100, 2},
      {"M4a", "m4a", AudioOnly("aac"), "", 0, 0, 0, "", "", "aac", 44100, 2},
      {"Wav", "wav", AudioOnly("pcm_s16le"), "", 0, 0, 0, "", "", "pcm_s16le", 44100, 2},
      {"Ogg", "ogg", AudioOnly("libvorbis"), "", 0, 0, 0, "", "", "vorbis", 44100, 2},
      {"Ac3", "ac3", AudioOnly("ac3"), "", 0, 0, 0, "", "", "ac3", 44100, 2},
  };
}

double StreamDuration(const ProbeResult& probe, const ProbeStream& stream) {
  return stream.Duration > 0 ? stream.Duration : probe.Duration - stream.StartTime;
}

// Video packets of the file's first video stream, as ffprobe counts them.
int VideoPackets(const std::string& file) {
  std::string out;
  zanto::test::RunCommand("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                          "stream=nb_read_packets -of csv=p=0 " + zanto::test::ShellQuote(file), &out);
  return std::atoi(out.c_str());
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Audio codecs pad their last frame and add encoder delay; the output may run that much over.
double AudioPadding(const std::string& codec, int sampleRate) {
  if (codec == "mp3" || codec == "mp2") return 1152.0 * 2 / sampleRate;
  if (codec == "ac3" || codec == "wmav2") return 2048.0 / sampleRate;
  return 0.0;
}

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.Name; }

class OutputFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(OutputFormats, ConvertsTheClipAsRequested) {
  const FormatCase& c = GetParam();
  EngineHarness h;
  TempDir dir;
  const std::string out = dir.File(std::string("out.") + c.Extension);
  const TTerminateInfo result = h.Convert(Fixture("clip.mp4"), out, c.Options);
  ASSERT_TRUE(result.Finished) << result.ExceptionMsg;
  const ProbeResult probe = FFprobe(out);
  ASSERT_TRUE(probe.Ok);
  const ProbeStream* video = probe.First("video");
  const ProbeStream* audio = probe.First("audio");
  if (*c.VideoCodec) {
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->CodecName, c.VideoCodec);
    EXPECT_EQ(video->Width, c.Width);
    EXPECT_EQ(video->Height, c.Height);
    EXPECT_NEAR(video->RFrameRate, c.Fps, 0.01);
    if (*c.PixFmt) {
      EXPECT_EQ(video->PixFmt, c.PixFmt);
    }
    if (*c.Tag) {
      EXPECT_EQ(Lower(video->CodecTag), Lower(c.Tag));
    }
    // Duration within one frame: the picture count at the output rate.
    EXPECT_NEAR(VideoPackets(out), 2.0 * c.Fps, 1.0);
  } else {
    EXPECT_EQ(video, nullptr);
  }
  ASSERT_NE(audio, nullptr);
  EXPECT_EQ(audio->CodecName, c.AudioCodec);
  EXPECT_EQ(audio->SampleRate, c.SampleRate);
  EXPECT_EQ(audio->Channels, c.Channels);
  const double audioDuration = StreamDuration(probe, *audio);
  EXPECT_GT(audioDuration, 2.0 - 0.05);
  EXPECT_LT(audioDuration, 2.0 + 0.05 + AudioPadding(c.AudioCodec, c.SampleRate));
  if (video) {
    EXPECT_NEAR(video->StartTime, audio->StartTime, 0.05);
  }
}

INSTANTIATE_TEST_SUITE_P(Engine, OutputFormats, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.Name); });

TEST(Conversion, AudioOnlyInputIntoVideoAndAudioFormats) {
  EngineHarness h;
  TempDir dir;
  auto options = Opt("mpeg4", "aac");
  ASSERT_TRUE(h.Convert(Fixture("audio.mp3"), dir.File("a.mp4"), options).Finished);
  const auto mp4 = FFprobe(dir.File("a.mp4"));
  EXPECT_EQ(mp4.Count("video"), 0);
  ASSERT_EQ(mp4.Count("audio"), 1);
  EXPECT_EQ(mp4.First("audio")->CodecName, "aac");

  EngineHarness h2;
  ASSERT_TRUE(h2.Convert(Fixture("audio.mp3"), dir.File("a.wav"), TOutputOptions{}).Finished);
  EXPECT_EQ(FFprobe(dir.File("a.wav")).First("audio")->CodecName, "pcm_s16le");
}

TEST(Conversion, VideoOnlyInputIntoVideoAndAudioFormats) {
  EngineHarness h;
  TempDir dir;
  ASSERT_TRUE(h.Convert(Fixture("video_only.mp4"), dir.File("v.avi"), Opt("mpeg4", "libmp3lame")).Finished);
  const auto avi = FFprobe(dir.File("v.avi"));
  EXPECT_EQ(avi.Count("audio"), 0);
  EXPECT_EQ(avi.Count("video"), 1);

  EngineHarness h2;
  const auto result = h2.Convert(Fixture("video_only.mp4"), dir.File("v.mp3"), Opt("", "libmp3lame"));
  EXPECT_TRUE(result.Exception);
  EXPECT_EQ(result.ExceptionMsg, "Output file #0 does not contain any stream");
  EXPECT_FALSE(std::filesystem::exists(dir.File("v.mp3")));
}

TEST(Conversion, RecordingTimeAndStartTime) {
  TempDir dir;
  {
    EngineHarness h;
    auto options = Opt("mpeg4", "aac");
    options.RecordingTime = 1000000;
    ASSERT_TRUE(h.Convert(Fixture("clip.mp4"), dir.File("t.mp4"), options).Finished);
    const auto probe = FFprobe(dir.File("t.mp4"));
    EXPECT_NEAR(probe.First("video")->Duration, 1.0, 0.041);
    EXPECT_NEAR(probe.First("audio")->Duration, 1.0, 0.05);
  }
  {
    // "ss" on the input (the main window's trim): output starts at 0 and lasts the rest.
    EngineHarness h;
    TInputOptions input;
    input.StartTime = 1000000;
    const int task = h.Engine.AddTask(Fixture("clip.mp4"), &input);
    ASSERT_EQ(task, 0) << h.Engine.LastError();
    auto options = Opt("mpeg4", "aac");
    ASSERT_TRUE(h.Engine.SetOutputFile(task, dir.File("ss.mp4"), &options));
    h.Engine.StartTask(1);
    ASSERT_TRUE(h.WaitForBatch());
    ASSERT_TRUE(h.EventOf(0).Finished) << h.EventOf(0).ExceptionMsg;
    const auto probe = FFprobe(dir.File("ss.mp4"));
    EXPECT_NEAR(probe.First("video")->Duration, 1.0, 0.041);
    EXPECT_NEAR(probe.First("video")->StartTime, probe.First("audio")->StartTime, 0.05);
  }
}

TEST(Conversion, MetadataAndLanguagesReachTheOutput) {
  EngineHarness h;
  TempDir dir;
  auto options = Opt("mpeg4", "aac");
  options.Metadata.Title = "A title";
  options.Metadata.Author = "Someone";
  options.Metadata.Year = 2009;
  options.AudioLanguage = "eng";
  ASSERT_TRUE(h.Convert(Fixture("clip.mp4"), dir.File("meta.mkv"), options).Finished);
  const auto probe = FFprobe(dir.File("meta.mkv"));
  auto tag = [](const std::map<std::string, std::string>& tags, const std::string& key) {
    for (const auto& [k, v] : tags)
      if (Lower(k) == key) return v;
    return std::string();
  };
  EXPECT_EQ(tag(probe.Tags, "title"), "A title");
  EXPECT_EQ(tag(probe.First("audio")->Tags, "language"), "eng");
}

// Audio that starts half a second after the video: as it is without "async", from 0 with
// silence before it with "async" 1.
TEST(Conversion, AudioSyncFillsALateStartWithSilence) {
  TempDir dir;
  const std::string late = dir.File("late.mp4");
  ASSERT_EQ(zanto::test::RunCommand("ffmpeg -nostdin -v error -y -i " + zanto::test::ShellQuote(Fixture("clip.mp4")) +
                                    " -itsoffset 0.5 -i " + zanto::test::ShellQuote(Fixture("clip.mp4")) +
                                    " -map 0:v -map 1:a -c copy " + zanto::test::ShellQuote(late)), 0);
  for (const int sync : {0, 1}) {
    EngineHarness h;
    auto options = Opt("mpeg4", "aac");
    options.AudioSync = sync;
    const std::string out = dir.File("sync" + std::to_string(sync) + ".mp4");
    ASSERT_TRUE(h.Convert(late, out, options).Finished);
    const auto probe = FFprobe(out);
    const ProbeStream* audio = probe.First("audio");
    ASSERT_NE(audio, nullptr);
    if (sync == 0) {
      EXPECT_NEAR(audio->StartTime, 0.45, 0.06);
    } else {
      EXPECT_NEAR(audio->StartTime, 0.0, 0.03);
      EXPECT_NEAR(audio->Duration, 2.5, 0.08);
    }
  }
}

// Built-in presets reach the encoder through the engine (the preset rows themselves are tested
// with the option model).
TEST(Conversion, DevicePresetsKeepTheirProfileThroughTheEngine) {
  struct Case {
    const char* Preset;
    const char* Profile;
    int Level;
  };
  TempDir dir;
  for (const Case& c : {Case{"ipod320", "Constrained Baseline", 13}, Case{"ipod640", "Constrained Baseline", 30},
                        Case{"psp", "Main", 30}}) {
    EngineHarness h;
    auto options = Opt("libx264", "aac", "320x240");
    options.VideoPreset = c.Preset;
    options.RecordingTime = 1000000;
    const std::string out = dir.File(std::string(c.Preset) + ".mp4");
    const auto result = h.Convert(Fixture("clip.mp4"), out, options);
    ASSERT_TRUE(result.Finished) << c.Preset << ": " << result.ExceptionMsg;
    const auto probe = FFprobe(out);
    ASSERT_NE(probe.First("video"), nullptr);
    EXPECT_EQ(probe.First("video")->Profile, c.Profile) << c.Preset;
    EXPECT_EQ(probe.First("video")->Level, c.Level) << c.Preset;
  }
}

// The start of the first cue of SubRip text, in seconds ("00:00:01,023 --> ...").
double FirstCueSeconds(const std::string& srt) {
  const size_t arrow = srt.find(" --> ");
  if (arrow == std::string::npos || arrow < 12) return -1;
  int h = 0, m = 0, sec = 0, ms = 0;
  std::sscanf(srt.c_str() + arrow - 12, "%d:%d:%d,%d", &h, &m, &sec, &ms);
  return h * 3600 + m * 60 + sec + ms / 1000.0;
}

// Subtitles: copied, or re-encoded (SubRip into MP4's timed text) with the same texts and times.
TEST(Conversion, SubtitlesAreCopiedOrEncoded) {
  TempDir dir;
  auto srt = [&](const std::string& file) {
    const std::string out = file + ".srt";
    zanto::test::RunCommand("ffmpeg -nostdin -v error -y -i " + zanto::test::ShellQuote(file) +
                            " -map 0:s:0 -f srt " + zanto::test::ShellQuote(out));
    return zanto::test::ReadFileBytes(out);
  };
  const std::string source = srt(Fixture("subs.mkv"));
  ASSERT_NE(source.find("-->"), std::string::npos);
  for (const char* codec : {"copy", "mov_text"}) {
    EngineHarness h;
    auto options = Opt("mpeg4", "aac");
    options.SubtitleCodec = codec;
    const std::string out = dir.File(std::string("subs_") + codec + (std::string(codec) == "copy" ? ".mkv" : ".mp4"));
    const auto result = h.Convert(Fixture("subs.mkv"), out, options);
    ASSERT_TRUE(result.Finished) << codec << ": " << result.ExceptionMsg;
    const auto probe = FFprobe(out);
    ASSERT_NE(probe.First("subtitle"), nullptr) << codec;
    EXPECT_EQ(probe.First("subtitle")->CodecName, std::string(codec) == "copy" ? "subrip" : "mov_text");
    // Same texts; times within 50 ms (the muxer may shift a whole file by the audio priming).
    const std::string converted = srt(out);
    EXPECT_NE(converted.find("Hello"), std::string::npos) << codec;
    EXPECT_NE(converted.find("World"), std::string::npos) << codec;
    EXPECT_NEAR(FirstCueSeconds(converted), FirstCueSeconds(source), 0.05) << codec;
  }
}

// Constant-rate output of an input that skips a second: the gap is filled with repeated pictures
// in one step (logged from verbosity 3 on), so the output keeps 25 pictures a second.
TEST(Conversion, ConstantRateFillsAGapWithDuplicates) {
  TempDir dir;
  const std::string gap = dir.File("gap.mkv");
  ASSERT_EQ(zanto::test::RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i \"testsrc=size=160x120:rate=25:duration=3,"
                                    "select='not(between(t,1,1.99))'\" -c:v libx264 -fps_mode vfr " +
                                    zanto::test::ShellQuote(gap)), 0);
  ASSERT_EQ(VideoPackets(gap), 50);
  LogCapture log;
  EngineHarness h;
  auto options = Opt("mpeg4", "");
  options.ExtOptions = "v=3";
  ASSERT_TRUE(h.Convert(gap, dir.File("gap.avi"), options).Finished);
  EXPECT_EQ(VideoPackets(dir.File("gap.avi")), 75);
  EXPECT_TRUE(log.Contains("*** 24 dup!"));
}

TEST(Conversion, UnsupportedSampleRateTakesTheClosest) {
  LogCapture log;
  EngineHarness h;
  TempDir dir;
  auto options = AudioOnly("ac3");
  options.AudioSampleRate = 22050;
  ASSERT_TRUE(h.Convert(Fixture("clip.mp4"), dir.File("rate.ac3"), options).Finished);
  EXPECT_EQ(FFprobe(dir.File("rate.ac3")).First("audio")->SampleRate, 32000);
  EXPECT_TRUE(log.Contains("Requested sampling rate unsupported using closest supported (32000)"));
}

TEST(Conversion, OddSizeBecomesEvenForLibx264) {
  EngineHarness h;
  TempDir dir;
  ASSERT_TRUE(h.Convert(Fixture("odd_321x241.mkv"), dir.File("odd.mp4"), Opt("libx264", "aac")).Finished);
  const auto probe = FFprobe(dir.File("odd.mp4"));
  EXPECT_EQ(probe.First("video")->Width, 320);
  EXPECT_EQ(probe.First("video")->Height, 240);
}

// The stream-group list: the record's codec for the first video stream, the option text's first
// "vcodec" for the stream that "newvideo" adds; a later "vcodec" is never used.
TEST(Conversion, StreamGroupsGiveEachNewStreamItsCodec) {
  TempDir dir;
  for (const bool withRecordCodec : {true, false}) {
    EngineHarness h;
    auto options = Opt(withRecordCodec ? "libx264" : "", "aac");
    options.ExtOptions = "vcodec=mpeg4<CRLF>newvideo=<CRLF>vcodec=h263";
    const std::string out = dir.File(withRecordCodec ? "g1.mkv" : "g2.mkv");
    ASSERT_TRUE(h.Convert(Fixture("clip.mp4"), out, options).Finished);
    const auto probe = FFprobe(out);
    ASSERT_EQ(probe.Count("video"), 2);
    std::vector<std::string> codecs;
    for (const auto& s : probe.Streams)
      if (s.CodecType == "video") codecs.push_back(s.CodecName);
    EXPECT_EQ(codecs[0], withRecordCodec ? "h264" : "mpeg4");
    EXPECT_EQ(codecs[1], "mpeg4");
  }
}

TEST(Conversion, CopiedVideoCannotBeHooked) {
  EngineHarness h;
  TempDir dir;
  auto options = Opt("copy", "aac");
  options.CustomHook = true;
  h.Engine.SetOnCustomHook([](TCustomFFmpegEngine*, PHookInfo) {});
  const auto result = h.Convert(Fixture("clip.mp4"), dir.File("copy.mp4"), options);
  EXPECT_TRUE(result.Exception);
  EXPECT_EQ(result.ExceptionMsg, "-vcodec copy and CustomHook are incompatible (frames are not decoded)");
  EXPECT_FALSE(std::filesystem::exists(dir.File("copy.mp4")));
}

TEST(Conversion, StreamCopyKeepsThePackets) {
  EngineHarness h;
  TempDir dir;
  ASSERT_TRUE(h.Convert(Fixture("clip.mp4"), dir.File("copy.mkv"), Opt("copy", "copy")).Finished);
  const auto probe = FFprobe(dir.File("copy.mkv"));
  EXPECT_EQ(probe.First("video")->CodecName, "h264");
  EXPECT_EQ(probe.First("audio")->CodecName, "aac");
  EXPECT_NEAR(probe.Duration, 2.0, 0.05);
}

TEST(Conversion, TwoPassEncodingUsesItsLogFile) {
  TempDir dir;
  const std::string prefix = dir.File("stats");
  auto pass = [&](int number, const std::string& logPrefix) {
    EngineHarness h;
    auto options = Opt("mpeg4", "aac");
    options.VideoBitrate = 300000;
    options.ExtOptions = "pass=" + std::to_string(number) + "<CRLF>passlogfile=" + logPrefix;
    return h.Convert(Fixture("clip.mp4"), dir.File("pass" + std::to_string(number) + ".avi"), options);
  };
  ASSERT_TRUE(pass(1, prefix).Finished);
  EXPECT_GT(std::filesystem::file_size(prefix + "-0.log"), 0u);
  ASSERT_TRUE(pass(2, prefix).Finished);
  EXPECT_EQ(FFprobe(dir.File("pass2.avi")).First("video")->CodecName, "mpeg4");
  const auto missing = pass(2, dir.File("none"));
  EXPECT_TRUE(missing.Exception);
  EXPECT_EQ(missing.ExceptionMsg,
            "Cannot read file: Error reading log file \"" + dir.File("none") + "-0.log\" for pass-2 encoding");
}

TEST(Conversion, VideoStatisticsFileHasALinePerEncodedPicture) {
  TempDir dir;
  EngineHarness h;
  auto options = Opt("mpeg4", "aac");
  options.ExtOptions = "vstats_file=" + dir.File("vstats.log");
  ASSERT_TRUE(h.Convert(Fixture("clip.mp4"), dir.File("stats.avi"), options).Finished);
  const std::string text = zanto::test::ReadFileBytes(dir.File("vstats.log"));
  std::string packets;
  ASSERT_EQ(zanto::test::RunCommand("ffprobe -v error -count_packets -select_streams v -show_entries "
                                    "stream=nb_read_packets -of csv=p=0 " +
                                        zanto::test::ShellQuote(dir.File("stats.avi")),
                                    &packets),
            0);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::stol(packets));
  EXPECT_EQ(text.rfind("frame=     1 q= ", 0), 0u) << text.substr(0, 120);
  EXPECT_NE(text.find(" type= I\n"), std::string::npos);
  EXPECT_NE(text.find(" avg_br= "), std::string::npos);

  // A statistics file that cannot be created ends the task with its name.
  EngineHarness bad;
  options.ExtOptions = "vstats_file=" + dir.File("missing/vstats.log");
  const auto end = bad.Convert(Fixture("clip.mp4"), dir.File("bad.avi"), options);
  EXPECT_TRUE(end.Exception);
  EXPECT_EQ(end.ExceptionMsg, "fopen fail: " + dir.File("missing/vstats.log"));
}

TEST(Conversion, PreviewBitmapsArriveInTheMainThread) {
  EngineHarness h;
  TempDir dir;
  int previews = 0;
  h.Engine.SetPreviewBitmap(true);
  h.Engine.SetOnPreviewBitmap([&](TCustomFFmpegEngine*, TPreviewInfo info) {
    EXPECT_TRUE(platform::TMainThread::IsMainThread());
    EXPECT_EQ(info.TaskIndex, 0);
    ASSERT_NE(info.Bitmap, nullptr);
    EXPECT_EQ(info.Bitmap->Width(), 176);
    EXPECT_EQ(info.Bitmap->Height(), 144);
    EXPECT_GE(info.FrameNumber, 1);
    ++previews;
  });
  const auto result = h.Convert(Fixture("clip.mp4"), dir.File("pv.3gp"), Opt("h263", "aac", "176x144"));
  ASSERT_TRUE(result.Finished) << result.ExceptionMsg;
  EXPECT_GE(previews, 1);
}

// Bad inputs end in a message naming the file, or convert what is readable; never a crash.
TEST(Conversion, BadInputsNeverCrash) {
  TempDir dir;
  for (const char* name : {"empty.mp4", "text.mp4", "truncated.mp4", "truncated_head.mp4"}) {
    EngineHarness h;
    const std::string input = Fixture(name);
    const int task = h.Engine.AddTask(input);
    if (task < 0) {
      EXPECT_EQ(h.Engine.LastError().rfind(input + ": ", 0), 0u) << h.Engine.LastError();
      continue;
    }
    auto options = Opt("mpeg4", "aac");
    const std::string out = dir.File(std::string(name) + ".avi");
    if (!h.Engine.SetOutputFile(task, out, &options)) continue;
    h.Engine.StartTask(1);
    ASSERT_TRUE(h.WaitForBatch()) << name;
    const auto result = h.EventOf(task);
    if (result.Finished) {
      EXPECT_TRUE(FFprobe(out).Ok) << name;
    } else {
      EXPECT_FALSE(result.ExceptionMsg.empty()) << name;
    }
  }
}

}  // namespace
}  // namespace zanto::engine::test
