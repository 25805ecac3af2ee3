// Every format of the catalogue converts: the options built from its shipped data and the
// initial settings turn a short clip into a file whose container, codecs and frame size ffprobe
// confirms, and audio formats carry no video.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>

#include "ShippedFormats.h"
#include "engine/CodecAliases.h"
#include "engine/FFmpegEngine.h"
#include "formats/NumberText.h"
#include "formats/OptionBuilder.h"
#include "formats/SettingsFile.h"
#include "media/FFmpeg.h"
#include "platform/MainThread.h"
#include "platform/MessageBox.h"
#include "support/FFprobe.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace zanto::formats {
namespace {

using engine::TOutputOptions;

// The name ffprobe reports among a file's format names, by output extension.
const std::map<std::string, std::string> kDemuxerOfExt = {
    {"mp4", "mp4"}, {"m4a", "mp4"},    {"3gp", "3gp"}, {"mov", "mov"}, {"wmv", "asf"},
    {"wma", "asf"}, {"avi", "avi"},    {"mpg", "mpeg"}, {"ts", "mpegts"}, {"dv", "dv"},
    {"flv", "flv"}, {"swf", "swf"},    {"mkv", "matroska"}, {"mp3", "mp3"}, {"aac", "aac"},
    {"wav", "wav"}, {"ogg", "ogg"},    {"ac3", "ac3"}};

// The codec name ffprobe shows for what the engine encodes: the resolved encoder when the
// options name one, else the container's own codec of that kind.
std::string ExpectedCodec(const std::string& encoder, const AVOutputFormat* muxer,
                          AVMediaType type) {
  if (!encoder.empty()) {
    const AVCodec* codec =
        avcodec_find_encoder_by_name(engine::ResolveEncoderName(encoder).Name.c_str());
    return codec ? avcodec_get_name(codec->id) : "unknown encoder " + encoder;
  }
  return avcodec_get_name(type == AVMEDIA_TYPE_VIDEO ? muxer->video_codec : muxer->audio_codec);
}

std::vector<int> CatalogueCodes() {
  std::vector<int> codes;
  for (const auto& format : test::ShippedFormats()) codes.push_back(format.Code);
  return codes;
}

// Builds the options of a format for the clip with the row's edits and converts its first
// second with the engine; the options built are returned through output.
test::ProbeResult Convert(const TFormatStore& store, int code, const TRowEdits& row,
                          const std::string& file, TOutputOptions& output) {
  const std::string clip = test::Fixture("clip.mp4");
  const test::ProbeResult source = test::FFprobe(clip);
  const test::ProbeStream* sourceVideo = source.First("video");
  if (!sourceVideo) {
    ADD_FAILURE() << "no video in " << clip;
    return {};
  }
  const TSourceVideo video{1, sourceVideo->Width, sourceVideo->Height, sourceVideo->BitRate};
  engine::TInputOptions input;
  platform::TScopedMessageBoxHandler noQuestions([](const platform::TMessageBoxRequest& r) {
    ADD_FAILURE() << "unexpected question: " << r.Text;
    return platform::IDNO;
  });
  BuildConversionOptions(store, code, row, video, output, input);
  output.RecordingTime = 1'000'000;  // one second is enough to prove the format

  // The events outlive the engine: its helper threads may still deliver while it shuts down.
  std::mutex mutex;
  std::vector<engine::TTerminateInfo> events;
  engine::TFFmpegEngine engine;
  EXPECT_TRUE(engine.LoadMediaLibraries("")) << engine.LastError();
  engine.SetOnTerminate([&](engine::TCustomFFmpegEngine*, engine::TTerminateInfo info) {
    std::lock_guard lock(mutex);
    events.push_back(info);
  });
  const int task = engine.AddTask(clip, &input);
  if (task < 0 || !engine.SetOutputFile(task, file, &output)) {
    ADD_FAILURE() << engine.LastError();
    return {};
  }
  engine.StartTask(1);
  const bool done = platform::TMainThread::WaitPumping(
      [&] {
        std::lock_guard lock(mutex);
        return std::any_of(events.begin(), events.end(),
                           [](const auto& e) { return e.TaskIndex == -1; });
      },
      std::chrono::milliseconds(240'000));
  EXPECT_TRUE(done);
  std::lock_guard lock(mutex);
  for (const auto& e : events) EXPECT_FALSE(e.Exception) << e.ExceptionMsg;
  return test::FFprobe(file);
}

class FormatConversion : public testing::TestWithParam<int> {};

TEST_P(FormatConversion, ConvertsTheClip) {
  const int code = GetParam();
  test::TempDir dir;
  const std::string settings = dir.File("settings.ini");
  ASSERT_EQ(EnsureSettingsFile(test::ShippedDefaultSettingsFile(), settings),
            TEnsureResult::Copied);
  const TFormatStore store = test::ShippedStore(settings);
  const test::ProbeResult source = test::FFprobe(test::Fixture("clip.mp4"));
  const test::ProbeStream* sourceVideo = source.First("video");
  ASSERT_NE(sourceVideo, nullptr);

  // As the batch driver does: the row's zoom from the format's settings.
  TRowEdits row;
  row.ZoomMode = store.ReadChoice(code, "paraZoom", "lbox");
  const std::string file = dir.File("out." + store.FileExt(code));
  TOutputOptions output;
  const test::ProbeResult result = Convert(store, code, row, file, output);
  ASSERT_TRUE(result.Ok) << file;
  const std::string ext = store.FileExt(code);
  ASSERT_TRUE(kDemuxerOfExt.count(ext)) << ext;
  EXPECT_NE(("," + result.FormatName + ",").find("," + kDemuxerOfExt.at(ext) + ","),
            std::string::npos)
      << result.FormatName;

  const AVOutputFormat* muxer = test::ShippedMuxer(store, code);
  ASSERT_NE(muxer, nullptr);
  const test::ProbeStream* audio = result.First("audio");
  ASSERT_NE(audio, nullptr);
  EXPECT_EQ(audio->CodecName, ExpectedCodec(output.AudioCodec, muxer, AVMEDIA_TYPE_AUDIO));
  const std::string sampleRate = store.ReadChoice(code, "paraSampleRate", "");
  if (IsWholeNumber(sampleRate)) {
    EXPECT_EQ(audio->SampleRate, WholeNumberValue(sampleRate));
  }
  const std::string channels = store.ReadChoice(code, "paraChannel", "");
  if (IsWholeNumber(channels)) {
    EXPECT_EQ(audio->Channels, WholeNumberValue(channels));
  }

  if (output.DisableVideo) {
    EXPECT_EQ(result.Count("video"), 0);
    return;
  }
  const test::ProbeStream* picture = result.First("video");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->CodecName, ExpectedCodec(output.VideoCodec, muxer, AVMEDIA_TYPE_VIDEO));
  // An H.264 format's own level reaches the stream, not the shared preset's.
  const std::string level = store.ReadChoice(code, "paraLevel", "");
  if (picture->CodecName == "h264" && !level.empty()) {
    EXPECT_EQ(picture->Level, WholeNumberValue(level));
  }
  // Formats for Baseline-only players get Baseline.
  if (picture->CodecName == "h264" && store.Format(code) == "ipod") {
    EXPECT_NE(picture->Profile.find("Baseline"), std::string::npos) << picture->Profile;
  }
  const std::string size = store.ReadChoice(code, "paraVideoSize", "");
  if (size == "as source") {
    EXPECT_EQ(picture->Width, sourceVideo->Width);
    EXPECT_EQ(picture->Height, sourceVideo->Height);
  } else {
    const auto x = size.find('x');
    ASSERT_NE(x, std::string::npos) << size;
    EXPECT_EQ(picture->Width, WholeNumberValue(size.substr(0, x))) << size;
    EXPECT_EQ(picture->Height, WholeNumberValue(size.substr(x + 1))) << size;
  }
}

// The zoom modes' crops, filters and sizes run in the engine and end at the target size.
TEST(ZoomConversion, EveryZoomModeEndsAtTheTargetSize) {
  constexpr int kHdH264 = 2102;  // 1280x720 from the 320x240 clip
  struct Case {
    TRowEdits Row;
    int Width, Height;
  };
  const Case cases[] = {
      {{"full"}, 1280, 720},
      {{"full", 8, 0, 0, 0}, 1280, 720},
      {{"lbox"}, 1280, 720},
      {{"lbox", 0, 40, 0, 40}, 1280, 720},
      {{"pan"}, 1280, 720},
      {{"pan", 20, 0, 20, 0}, 1280, 720},
      {{"center"}, 1280, 720},
      {{"center", 10, 10, 10, 10}, 1280, 720},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Row.ZoomMode + " crop " + std::to_string(c.Row.CropTop) + "/" +
                 std::to_string(c.Row.CropLeft));
    test::TempDir dir;
    const std::string settings = dir.File("settings.ini");
    EnsureSettingsFile(test::ShippedDefaultSettingsFile(), settings);
    const TFormatStore store = test::ShippedStore(settings);
    TOutputOptions output;
    const test::ProbeResult result = Convert(store, kHdH264, c.Row, dir.File("out.mp4"), output);
    const test::ProbeStream* picture = result.First("video");
    ASSERT_NE(picture, nullptr) << output.VideoFilters;
    EXPECT_EQ(picture->Width, c.Width) << output.VideoFilters;
    EXPECT_EQ(picture->Height, c.Height) << output.VideoFilters;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryCatalogueCode, FormatConversion, testing::ValuesIn(CatalogueCodes()),
                         [](const testing::TestParamInfo<int>& info) {
                           return "Code" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace zanto::formats
