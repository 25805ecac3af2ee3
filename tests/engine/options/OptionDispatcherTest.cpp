// The dispatcher: every failure text, and the edge cases of the vocabulary.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/OptionParser.h"
#include "support/TempDir.h"
#include "tests/engine/options/FakeOptionActions.h"

namespace zanto::engine {
namespace {

using test::TFakeOptionActions;

class OptionDispatcher : public ::testing::Test {
 protected:
  void Set(const std::string& name, const std::string& value) { SetOption(State, Actions, name, value); }
  // The failure text of one option, or "(no failure)".
  std::string FailureOf(const std::string& name, const std::string& value) {
    try {
      Set(name, value);
    } catch (const FFmpegException& e) {
      return e.what();
    }
    return "(no failure)";
  }
  int64_t CodecInt(AVMediaType kind, const char* option) {
    int64_t value = 0;
    EXPECT_GE(av_opt_get_int(State.Generic.CodecContext(kind), option, 0, &value), 0) << option;
    return value;
  }

  TOptionState State;
  TFakeOptionActions Actions{State};
};

struct TFailureCase {
  const char* Name;
  const char* Value;
  const char* Message;
};

TEST_F(OptionDispatcher, EveryFailureCarriesItsText) {
  const std::string sixtyThree = [] {
    std::string text = "1";
    for (int i = 1; i < 63; ++i) text += "," + std::to_string(i + 1);
    return text;
  }();
  const std::string matrixMessage = "Syntax error in matrix \"" + sixtyThree + "\" at coeff 62";
  const TFailureCase cases[] = {
      {"vframes", "abc", "'abc' is not a valid integer value"},
      {"fs", "12kb", "'12kb' is not a valid integer value"},
      {"muxdelay", "0,5", "'0,5' is not a valid floating point value"},
      {"t", "soon", "Invalid duration specification for t: soon"},
      {"ss", "1:xx", "Invalid duration specification for ss: 1:xx"},
      {"timestamp", "yesterday-ish", "Invalid date specification for timestamp: yesterday-ish"},
      {"itsscale", "20:2", "stream index over MAX_STREAMS(20)"},
      {"itsscale", "25:0.5", "stream index over MAX_STREAMS(20)"},
      {"itsscale", "1:0", "'0' is not a valid floating point value"},
      {"metadata", "title", "Missing ="},
      {"r", "fast", "Incorrect frame rate"},
      {"s", "640by480", "Incorrect frame size"},
      {"aspect", "16:0", "Incorrect aspect ratio specification."},
      {"aspect", "wide", "Incorrect aspect ratio specification."},
      {"pix_fmt", "yuv999", "Unknown pixel format requested: yuv999"},
      {"croptop", "10",
       "Vertical crop dimensions are outside the range of the original image.\nRemember to crop first and scale second."},
      {"cropright", "4",
       "Horizontal crop dimensions are outside the range of the original image.\nRemember to crop first and scale "
       "second."},
      {"padtop", "8", "Please use vfilters=pad"},
      {"padcolor", "000000", "Please use vfilters=pad"},
      {"qscale", "0", "qscale must be > 0.0 and <= 255"},
      {"qscale", "256", "qscale must be > 0.0 and <= 255"},
      {"pass", "3", "pass number can be only 1 or 2"},
      {"vtag", "XVI", "video tag parameter must be 4 chars"},
      {"atag", "mp4a1", "audio tag parameter must be 4 chars"},
      {"stag", "", "subtitle tag parameter must be 4 chars"},
      {"newvideo", "", "At least one output file must be specified"},
      {"newaudio", "", "At least one output file must be specified"},
      {"newsubtitle", "", "At least one output file must be specified"},
      {"streamid", "1:", "Invalid value \"1:\" for option \"streamid\", required syntax is \"index:value\""},
      {"streamid", ":7", "Invalid value \":7\" for option \"streamid\", required syntax is \"index:value\""},
      {"streamid", "20:7", "stream index over MAX_STREAMS(20)"},
      {"vbsf", "no_such_filter=x", "Unknown bitstream filter no_such_filter=x"},
      {"vpre", "no-such-preset", "Preset \"no-such-preset\" not found"},
      {"fpre", "/no/such/file.ffpreset", "Preset \"/no/such/file.ffpreset\" not found"},
      {"fpre", "/tmp", "Preset \"/tmp\" not found"},
      {"target", "pal-cdi", "Unknown target type"},
      {"target", "dvd", "frame_rate is invalid."},
      {"vhook", "/no/such/hook.so -x", "Failed to add video hook function: /no/such/hook.so -x"},
      {"intra_matrix", sixtyThree.c_str(), matrixMessage.c_str()},
      {"loglevel", "loud", "'loud' is not a valid integer value"},
  };
  for (const TFailureCase& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + "=" + c.Value);
    ResetOptions(State);
    EXPECT_EQ(FailureOf(c.Name, c.Value), c.Message);
  }
}

TEST_F(OptionDispatcher, BitRateBelowOneThousandWarnsButIsKept) {
  const std::string warning = "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s";
  Set("vb", "800");
  EXPECT_TRUE(Actions.Logged(warning));
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "b"), 800);

  Actions.Logs.clear();
  Set("vb", "800000");
  Set("ab", "128000");
  EXPECT_FALSE(Actions.Logged(warning));
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "b"), 800000);
  // The video rate never lands on the audio context, nor the audio rate on the video one.
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_AUDIO, "b"), 128000);
  Set("ab", "64");
  EXPECT_TRUE(Actions.Logged(warning));
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "b"), 800000);
}

TEST_F(OptionDispatcher, CropsReduceTheCurrentFrameAndMustComeBeforeScaling) {
  State.FrameWidth = 640;
  State.FrameHeight = 480;  // as after opening a 640x480 input
  Set("croptop", "10");
  Set("cropbottom", "0");  // ignored
  Set("cropleft", "16");
  EXPECT_EQ(State.CropTop, 10);
  EXPECT_EQ(State.CropBottom, 0);
  EXPECT_EQ(State.FrameHeight, 470);
  EXPECT_EQ(State.FrameWidth, 624);
  EXPECT_TRUE(Actions.Logged("CropTop is deprecated in favor of the crop avfilter"));
  EXPECT_EQ(FailureOf("cropright", "624").substr(0, 10), "Horizontal");
}

TEST_F(OptionDispatcher, AspectTakesRatiosAndDecimals) {
  Set("aspect", "16:9");
  EXPECT_NEAR(State.FrameAspectRatio, 1.7778, 1e-4);
  Set("aspect", "1.5");
  EXPECT_FLOAT_EQ(State.FrameAspectRatio, 1.5f);
  EXPECT_EQ(FailureOf("aspect", "4:-3"), "Incorrect aspect ratio specification.");
}

TEST_F(OptionDispatcher, PalDvdTargetSetsTheDiscValues) {
  Set("target", "pal-dvd");
  EXPECT_EQ(State.FrameWidth, 720);
  EXPECT_EQ(State.FrameHeight, 576);
  EXPECT_EQ(av_cmp_q(State.FrameRate, AVRational{25, 1}), 0);
  EXPECT_EQ(State.VideoCodecName, "mpeg2video");
  EXPECT_EQ(State.AudioCodecName, "ac3");
  EXPECT_EQ(State.ForcedFormat, "dvd");
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "g"), 15);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "b"), 6000000);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "maxrate"), 9000000);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_AUDIO, "b"), 448000);
  EXPECT_EQ(State.AudioSampleRate, 48000);
  EXPECT_NEAR(State.FrameAspectRatio, 16.0 / 9.0, 1e-6);
  EXPECT_TRUE(Actions.Logged("Assuming 16:9 for aspect ratio"));
  int64_t packetSize = 0;
  av_opt_get_int(State.Generic.FormatContext(), "packetsize", 0, &packetSize);
  EXPECT_EQ(packetSize, 2048);
  bool muxRateRecorded = false;
  for (const TGenericSetting& s : State.Generic.Settings())
    muxRateRecorded |= s.Target == TGenericTarget::Format && s.Name == "muxrate" && s.Value == "10080000";
  EXPECT_TRUE(muxRateRecorded);
}

TEST_F(OptionDispatcher, AutomaticNormFollowsTheFrameRateThenTheInputs) {
  State.FrameRate = {30000, 1001};
  State.AudioChannels = 1;
  Set("target", "svcd");
  EXPECT_EQ(State.FrameHeight, 480);
  EXPECT_EQ(State.AudioChannels, 2);  // mono becomes stereo
  EXPECT_TRUE(Actions.Logged("Assuming NTSC for target."));

  ResetOptions(State);
  State.FrameRate = {50, 1};      // decides nothing
  Actions.VideoRates = {{25, 1}};  // the input's video does
  Set("target", "vcd");
  EXPECT_EQ(State.FrameHeight, 288);
  EXPECT_TRUE(Actions.Logged("Assuming 4:3 for aspect ratio"));
  EXPECT_FLOAT_EQ(State.MuxPreloadS, 0.44f);

  ResetOptions(State);
  State.FrameRate = {50, 1};
  Actions.VideoRates.clear();  // nothing decides: the default norm of "target" is NTSC
  Set("target", "dv50");
  EXPECT_EQ(State.FrameHeight, 480);
  EXPECT_EQ(State.PixelFormat, AV_PIX_FMT_YUV422P);
  ResetOptions(State);
  Set("target", "ntsc-dv");
  EXPECT_EQ(State.PixelFormat, AV_PIX_FMT_YUV411P);
  Set("target", "pal-dv");
  EXPECT_EQ(State.PixelFormat, AV_PIX_FMT_YUV420P);
}

TEST_F(OptionDispatcher, VideoPresetIsFoundWithTheCodecPrefix) {
  Set("vcodec", "libx264");
  Set("vpre", "psp");
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "b"), 1250000);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "maxrate"), 1500000);
  bool levelSet = false;
  for (const TGenericSetting& s : State.Generic.Settings()) levelSet |= s.Name == "level" && s.Value == "30";
  EXPECT_TRUE(levelSet);
  // Without the codec the short name is no preset and no file.
  ResetOptions(State);
  EXPECT_EQ(FailureOf("vpre", "psp"), "Preset \"psp\" not found");
}

TEST_F(OptionDispatcher, PresetFilesAreCheckedLineByLine) {
  test::TempDir dir;
  const std::string good = dir.File("good.ffpreset");
  test::WriteFileBytes(good, "  VCODEC=libx264\r\n\r\ncoder=0\nflags2=-dct8x8\n  bf=0  \n");
  Set("fpre", good);
  EXPECT_EQ(State.VideoCodecName, "libx264");
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "bf"), 0);

  const std::string noValue = dir.File("novalue.ffpreset");
  test::WriteFileBytes(noValue, "bf=2\ncoder=\n");
  EXPECT_EQ(FailureOf("fpre", noValue), noValue + ": Invalid syntax: \"coder=\"");

  const std::string unknown = dir.File("unknown.ffpreset");
  test::WriteFileBytes(unknown, "bf=2\nno_such_option=1\n");
  EXPECT_EQ(FailureOf("fpre", unknown),
            unknown + ": Invalid option or argument: \"no_such_option=1\", parsed as \"no_such_option\" = \"1\"");
}

TEST_F(OptionDispatcher, MatrixTakesExactlySixtyFourNumbers) {
  std::string text;
  for (int i = 0; i < 64; ++i) text += (i ? "," : "") + std::to_string(i + 8);
  Set("inter_matrix", text);
  ASSERT_TRUE(State.InterMatrix.has_value());
  EXPECT_EQ((*State.InterMatrix)[0], 8);
  EXPECT_EQ((*State.InterMatrix)[63], 71);
  EXPECT_FALSE(State.IntraMatrix.has_value());
}

TEST_F(OptionDispatcher, SwitchesTreatOnlyZeroAsOff) {
  Set("shortest", "");
  EXPECT_TRUE(State.Shortest);
  Set("shortest", "0");
  EXPECT_FALSE(State.Shortest);
  Set("shortest", "no");
  EXPECT_TRUE(State.Shortest);
  Set("copyts", "0");  // takes no value: always on
  EXPECT_TRUE(State.CopyTimestamps);
}

TEST_F(OptionDispatcher, UnknownNamesChangeNothingAndRaiseNothing) {
  const size_t before = State.Generic.Settings().size();
  EXPECT_EQ(FailureOf("no_such_option", "1"), "(no failure)");
  EXPECT_EQ(FailureOf("g", "not-a-number"), "(no failure)");  // known, refused: not an error either
  EXPECT_EQ(State.Generic.Settings().size(), before);
  EXPECT_TRUE(Actions.Logs.empty());
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "g"), 12);
}

TEST_F(OptionDispatcher, TimestampScaleAddressesTheNextInput) {
  Actions.Inputs = 1;
  Set("itsscale", "19:0.5");
  Set("itsscale", "0x2:2");
  EXPECT_DOUBLE_EQ(State.InputTsScale[1][19], 0.5);
  EXPECT_DOUBLE_EQ(State.InputTsScale[1][2], 2.0);
  EXPECT_DOUBLE_EQ(State.InputTsScale[0][19], 1.0);
}

TEST_F(OptionDispatcher, MapsAndSmallValues) {
  Set("map", "0.1:1.0");
  Set("map", "0:1");
  Set("map", "0x1.010");
  ASSERT_EQ(State.StreamMaps.size(), 3u);
  EXPECT_EQ(State.StreamMaps[0].SyncFileIndex, 1);
  EXPECT_EQ(State.StreamMaps[0].SyncStreamIndex, 0);
  EXPECT_EQ(State.StreamMaps[1].SyncFileIndex, 0);
  EXPECT_EQ(State.StreamMaps[1].SyncStreamIndex, 1);
  EXPECT_EQ(State.StreamMaps[2].FileIndex, 1);
  EXPECT_EQ(State.StreamMaps[2].StreamIndex, 8);  // leading 0: octal
  Set("map_meta_data", "1:0");
  EXPECT_EQ(State.MetadataMaps.at(0).OutFile, 1);
  EXPECT_EQ(State.MetadataMaps.at(0).InFile, 0);
  for (size_t i = State.StreamMaps.size(); i < kMaxStreamMaps; ++i) Set("map", "0.0");
  EXPECT_EQ(FailureOf("map", "0.0"), "max stream maps 400 reached");

  Set("metadata", "title=a=b");
  EXPECT_EQ(State.Metadata.at(0), (std::pair<std::string, std::string>("title", "a=b")));
  Set("t", "00:01:30.5");
  EXPECT_EQ(State.RecordingTimeUs, 90500000);
  EXPECT_EQ(Actions.TotalDurationUs, 90500000);
  Set("timestamp", "2010-01-02T03:04:05Z");
  EXPECT_EQ(State.RecordingTimestampS, 1262401445);
  Set("streamid", "3:77");
  EXPECT_EQ(State.StreamIdMap[3], 77);
  Set("vtag", "XVID");
  EXPECT_EQ(State.VideoCodecTag, static_cast<uint32_t>(MKTAG('X', 'V', 'I', 'D')));
  Set("threads", "4");
  EXPECT_EQ(State.ThreadCount, 4);
  Set("ar", "0");  // only positive rates are taken
  EXPECT_EQ(State.AudioSampleRate, 44100);
  Set("f", "pgmyuv");
  EXPECT_EQ(State.ForcedFormat, "image2");
  EXPECT_TRUE(State.PgmYuvCompat);
  Set("vbsf", "h264_mp4toannexb");
  Set("absf", "aac_adtstoasc=ignored");
  Set("vbsf", "=dump_extra");  // ignored
  EXPECT_EQ(State.VideoBitstreamFilters, std::vector<std::string>{"h264_mp4toannexb"});
  EXPECT_EQ(State.AudioBitstreamFilters, std::vector<std::string>{"aac_adtstoasc"});
  Set("L", "");
  EXPECT_TRUE(Actions.Logged("Do nothing: option - L"));
  EXPECT_TRUE(Actions.Logged("pgmyuv format is deprecated, use image2"));
  Set("timelimit", "10");
  EXPECT_TRUE(Actions.Logged("Warning: -timelimit not implemented on Windows"));
}

TEST_F(OptionDispatcher, FormatListsGoToTheLog) {
  Set("pix_fmt", "list");
  ASSERT_GT(Actions.Logs.size(), 10u);
  char header[128];
  EXPECT_EQ(Actions.Logs[0].Text, av_get_pix_fmt_string(header, sizeof header, AV_PIX_FMT_NONE));
  EXPECT_EQ(Actions.Logs[1].Text.rfind("yuv420p", 0), 0u);
  EXPECT_EQ(State.PixelFormat, AV_PIX_FMT_NONE);  // listing chooses nothing
  Actions.Logs.clear();
  Set("sample_fmt", "list");
  EXPECT_EQ(Actions.Logs.size(), static_cast<size_t>(AV_SAMPLE_FMT_NB) + 1);
  Set("sample_fmt", "fltp");
  EXPECT_EQ(State.SampleFormat, AV_SAMPLE_FMT_FLTP);
  Set("sample_fmt", "nonsense");
  EXPECT_EQ(State.SampleFormat, AV_SAMPLE_FMT_NONE);
}

TEST_F(OptionDispatcher, CopyIsKeptWhenANameFollows) {
  Set("acodec", "copy");
  Set("acodec", "mp2");
  EXPECT_TRUE(State.AudioStreamCopy);
  EXPECT_EQ(State.AudioCodecName, "mp2");
}

TEST_F(OptionDispatcher, ResetRestoresTheDefaults) {
  EXPECT_EQ(State.ThreadCount, 0);  // automatic
  Set("s", "320x240");
  Set("g", "99");
  Set("vpre", "libx264-baseline");
  ResetOptions(State);
  EXPECT_EQ(State.FrameWidth, 0);
  EXPECT_EQ(State.AudioSampleRate, 44100);
  EXPECT_EQ(State.RecordingTimeUs, INT64_MAX);
  EXPECT_EQ(State.MaxFrames[AVMEDIA_TYPE_SUBTITLE], INT_MAX);
  EXPECT_TRUE(State.Generic.Settings().empty());
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "g"), 12);
  EXPECT_EQ(State.ScalerFlags(), SWS_BICUBIC);
}

}  // namespace
}  // namespace zanto::engine
