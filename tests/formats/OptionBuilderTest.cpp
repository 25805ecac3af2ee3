// The conversion option builder: what each stored choice, edit and probed source turns into.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "FormatsTestFiles.h"
#include "formats/OptionBuilder.h"
#include "platform/MessageBox.h"

namespace zanto::formats {
namespace {

using engine::TInputOptions;
using engine::TOutputOptions;
using platform::TMessageBoxRequest;

constexpr int kCode = 2102;

class OptionBuilder : public testing::Test {
 protected:
  // Writes the settings section (S) and the preset section (F) of kCode.
  void Choose(const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values) Files.Store.WriteChoice(kCode, key, value);
  }
  void Preset(const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values)
      Files.Formats.WriteString(FormatSection(kCode), key, value);
  }
  // A video format with everything a conversion needs.
  void ChooseVideo(const std::string& encoder = "mpeg4", const std::string& size = "320x240") {
    Choose({{"paraVideoEncoder", encoder}, {"paraVideoSize", size}, {"paraAudioEncoder", "libfaac"},
            {"paraVolume", "256"}});
  }

  // Builds with a question handler that fails the test unless an answer is given.
  TOutputOptions Build(const TSourceVideo& source = {1, 640, 480, 800000}, TRowEdits row = {},
                       std::optional<int> answer = std::nullopt) {
    platform::TScopedMessageBoxHandler handler([&](const TMessageBoxRequest& request) {
      Questions.push_back(request);
      if (!answer) ADD_FAILURE() << "unexpected question: " << request.Text;
      return answer.value_or(platform::IDNO);
    });
    TOutputOptions out;
    Input = TInputOptions{};
    BuildConversionOptions(Files.Store, kCode, row, source, out, Input);
    return out;
  }

  test::TFormatFiles Files;
  TInputOptions Input;
  std::vector<TMessageBoxRequest> Questions;
};

TEST_F(OptionBuilder, WithoutAVideoEncoderTheOutputIsAudioOnly) {
  Preset({{"Format", "ipod"}, {"VideoEncoder", "h264"}});
  Choose({{"paraVideoSize", "320x240"}, {"paraVideoEncoder", "  "}});
  const TOutputOptions out = Build();
  EXPECT_EQ(out.AudioCodec, "libfaac");
  EXPECT_TRUE(out.DisableVideo);
  EXPECT_TRUE(out.DisableSubtitle);
  EXPECT_EQ(Input.ExtOptions, "vn=1");
  EXPECT_EQ(out.AudioChannels, 2);
  EXPECT_EQ(out.AudioSampleRate, 44100);
  EXPECT_EQ(out.AudioBitrate, 128000);
  EXPECT_EQ(out.FileFormat, "");
  EXPECT_EQ(out.FrameSize, "");
  EXPECT_EQ(out.VideoCodec, "");
}

TEST_F(OptionBuilder, AudioOnlyPassesItsChoicesAndAnEmptyEncoder) {
  Choose({{"paraAudioEncoder", ""}, {"paraChannel", "as source"}, {"paraSampleRate", "22050"},
          {"paraAudioBitRate", "12.2"}, {"paraVolume", "512"}});
  const TOutputOptions out = Build();
  EXPECT_EQ(out.AudioCodec, "");
  EXPECT_FALSE(out.DisableAudio);
  EXPECT_EQ(out.AudioChannels, -1);
  EXPECT_EQ(out.AudioSampleRate, 22050);
  EXPECT_EQ(out.AudioBitrate, 12200);
  EXPECT_EQ(out.AudioVolume, 512);
  Choose({{"paraAudioEncoder", "libamr_nb"}});
  EXPECT_EQ(Build().AudioCodec, "libopencore_amrnb");
}

TEST_F(OptionBuilder, DiscTargetsFromTheFormatKeyword) {
  struct Case {
    const char* Format;
    const char* Size;
    int Type, Norm;
    const char* Aspect;
  };
  const Case cases[] = {
      {"NTSC-DVD", "720x480", 3, 2, "16:9"}, {"ntsc-dvd", "352x240", 3, 2, "4:3"},
      {"pal-dvd", "720x576", 3, 1, "16:9"},  {"pal-vcd", "352x288", 1, 1, "4:3"},
      {"ntsc-vcd", "352x240", 1, 2, "4:3"},  {"pal-svcd", "480x576", 2, 1, "4:3"},
      {"ntsc-svcd", "480x480", 2, 2, "4:3"},
  };
  for (const auto& c : cases) {
    Preset({{"Format", c.Format}});
    ChooseVideo("mpeg1video", c.Size);
    // Zoom "none" leaves the target's aspect ratio as the keyword set it.
    const TOutputOptions out = Build({1, 640, 480, -1}, {"none"});
    EXPECT_EQ(out.TargetType, c.Type) << c.Format;
    EXPECT_EQ(out.TargetNorm, c.Norm) << c.Format;
    EXPECT_EQ(out.FrameAspectRatio, c.Aspect) << c.Format;
  }
}

TEST_F(OptionBuilder, VideoEncoders) {
  struct Case {
    const char* Encoder;
    const char* Codec;
    int TargetType;
  };
  const Case cases[] = {
      {"mpeg4", "mpeg4", 0},  {"libxvid", "libxvid", 0}, {"wmv2", "wmv2", 0},
      {"dvvideo", "dvvideo", 0}, {"mpeg2video", "mpeg2video", 3},  // MPEG-2 is a DVD stream
      {"wmv3", "", 0},        {"3gp", "", 0},           {"flv", "", 0},
      {"mov", "", 0},         {"swf", "", 0},
  };
  for (const auto& c : cases) {
    Preset({{"Format", "null"}});
    ChooseVideo(c.Encoder);
    const TOutputOptions out = Build();
    EXPECT_EQ(out.VideoCodec, c.Codec) << c.Encoder;
    EXPECT_EQ(out.TargetType, c.TargetType) << c.Encoder;
    EXPECT_EQ(out.TargetNorm, 0) << c.Encoder;
    EXPECT_EQ(out.VideoPreset, "") << c.Encoder;
  }
}

TEST_F(OptionBuilder, Mpeg2KeepsTheSvcdTarget) {
  Preset({{"Format", "pal-svcd"}});
  ChooseVideo("mpeg2video", "480x576");
  const TOutputOptions out = Build();
  EXPECT_EQ(out.TargetType, 2);
  EXPECT_EQ(out.TargetNorm, 1);
}

TEST_F(OptionBuilder, H264PresetAndContainer) {
  struct Case {
    const char* Format;
    const char* Preset;
    const char* FileFormat;
  };
  const Case cases[] = {{"PSP", "libx264-psp", "PSP"},   {"ipod", "libx264-ipod", "ipod"},
                        {"ps3", "libx264-ps3", ""},      {"null", "libx264-mp4", ""},
                        {"mpegts", "libx264-mp4", "mpegts"}};
  for (const auto& c : cases) {
    Preset({{"Format", c.Format}});
    ChooseVideo("libx264");
    const TOutputOptions out = Build();
    EXPECT_EQ(out.VideoCodec, "libx264") << c.Format;
    EXPECT_EQ(out.VideoPreset, c.Preset) << c.Format;
    EXPECT_EQ(out.FileFormat, c.FileFormat) << c.Format;
  }
}

TEST_F(OptionBuilder, H264LimitsOfTheFormatFollowThePreset) {
  // The user's section decides; the preset's section fills what the user's lacks.
  Preset({{"Format", "null"}, {"paraLevel", "41"}, {"paraMaxBitrate", "20000"},
          {"paraBufferSize", "25000"}, {"paraCoder", "1"}});
  ChooseVideo("libx264", "1280x720");
  Choose({{"paraCoder", "0"}, {"paraGop", "48"}, {"paraBitExact", "True"}, {"paraQscale", "0"}});
  const TOutputOptions out = Build({1, 1280, 720, -1});
  EXPECT_EQ(out.ExtOptions, "level=41\ncoder=0\nflags=+bitexact");
  EXPECT_EQ(out.VideoMaxRate, 20000000);
  EXPECT_EQ(out.VideoBufSize, 25000000);
  EXPECT_EQ(out.GroupOfPictures, 48);
  // Other encoders take none of them.
  ChooseVideo("mpeg4");
  const TOutputOptions mpeg4 = Build();
  EXPECT_EQ(mpeg4.ExtOptions, "");
  EXPECT_EQ(mpeg4.VideoMaxRate, -1);
}

TEST_F(OptionBuilder, DvSamplingFollowsTheNorm) {
  const std::pair<const char*, const char*> cases[] = {
      {"720x480", "pix_fmt=yuv411p"}, {"720x576", "pix_fmt=yuv420p"}, {"640x480", ""}};
  for (const auto& [size, options] : cases) {
    ChooseVideo("dvvideo", size);
    EXPECT_EQ(Build({1, 320, 240, -1}, {"lbox"}).ExtOptions, options) << size;
  }
  ChooseVideo("mpeg4", "720x480");
  EXPECT_EQ(Build().ExtOptions, "");
}

TEST_F(OptionBuilder, ContainerKeywords) {
  for (const char* format : {"ipod", "3GP", "3g2", "avi", "psp", "mov", "vcd", "flv", "mpegts",
                             "vob"}) {
    Preset({{"Format", format}});
    ChooseVideo();
    EXPECT_EQ(Build().FileFormat, format);
  }
  for (const char* format : {"null", "ps3", "mp4", "pal-dvd", "swf"}) {
    Preset({{"Format", format}});
    ChooseVideo();
    EXPECT_EQ(Build().FileFormat, "") << format;
  }
}

TEST_F(OptionBuilder, VideoBitRateAndFrameRate) {
  struct Case {
    std::optional<std::string> BitRate;  // nullopt: key missing
    int Expected;
  };
  const Case cases[] = {{"1500", 1500000}, {std::nullopt, 512000}, {"as source", 800000},
                        {"fast", 800000},  {"0", -1},              {"-5", -1}};
  for (const auto& c : cases) {
    Files.Settings.DeleteKey(FormatSection(kCode), "paraVideoBitRate");
    ChooseVideo();
    if (c.BitRate) Choose({{"paraVideoBitRate", *c.BitRate}});
    EXPECT_EQ(Build({1, 640, 480, 800000}).VideoBitrate, c.Expected) << c.BitRate.value_or("-");
  }
  // An unknown source bit rate is not passed on.
  Choose({{"paraVideoBitRate", "as source"}});
  EXPECT_EQ(Build({1, 640, 480, -1}).VideoBitrate, -1);

  const std::pair<const char*, const char*> rates[] = {
      {"25", "25"}, {"29.97", "29.97"}, {"as source", ""}, {"0", ""}, {"fast", ""}};
  for (const auto& [stored, expected] : rates) {
    Choose({{"paraFrameRate", stored}});
    EXPECT_EQ(Build().FrameRate, expected) << stored;
  }
  Files.Settings.DeleteKey(FormatSection(kCode), "paraFrameRate");
  EXPECT_EQ(Build().FrameRate, "29.97");
}

TEST_F(OptionBuilder, TargetSizes) {
  struct Case {
    const char* Encoder;
    const char* Size;
    const char* FrameSize;  // with zoom "full"
  };
  const Case cases[] = {
      {"mpeg4", "320x240", "320x240"},      {"mpeg4", "as source", "640x480"},
      {"mpeg4", "abcx240", "640x240"},      {"mpeg4", "320xabc", "320x480"},
      {"h263", "320x240", "352x288"},       {"H263", "176x144", "176x144"},
      {"h263", "1280x720", "704x576"},      {"h263", "400x300", "704x576"},
      {"h263", "100x80", "100x80"},         {"h263", "704x57", "704x57"},  // inside the list text
      {"h263p", "320x240", "320x240"},
  };
  for (const auto& c : cases) {
    ChooseVideo(c.Encoder, c.Size);
    EXPECT_EQ(Build({1, 640, 480, -1}, {"full"}).FrameSize, c.FrameSize) << c.Encoder << c.Size;
  }
}

TEST_F(OptionBuilder, UnreadableSizeAsksTheUser) {
  for (const char* size : {"x240", "320x", "null", "320*240", "0x240", "-320x240"}) {
    ChooseVideo("mpeg4", size);
    Questions.clear();
    const TOutputOptions yes = Build({1, 640, 480, -1}, {"full"}, platform::IDYES);
    ASSERT_EQ(Questions.size(), 1u) << size;
    EXPECT_EQ(Questions[0].Text, "Error output Video Size.Use the default size 320x240?");
    EXPECT_EQ(Questions[0].Caption, "Warning");
    EXPECT_EQ(Questions[0].Flags, platform::MB_YESNO | platform::MB_ICONQUESTION);
    EXPECT_EQ(yes.FrameSize, "320x240") << size;
    const TOutputOptions no = Build({1, 640, 480, -1}, {"full"}, platform::IDNO);
    EXPECT_EQ(no.FrameSize, "640x480") << size;
    // Nothing is stored: the next row asks again.
    EXPECT_EQ(Files.Store.ReadChoice(kCode, "paraVideoSize", ""), size);
  }
  Files.Settings.DeleteKey(FormatSection(kCode), "paraVideoSize");
  Questions.clear();
  Build({1, 640, 480, -1}, {"full"}, platform::IDYES);
  EXPECT_EQ(Questions.size(), 1u);
}

TEST_F(OptionBuilder, FullScreenCopiesTheRowCrop) {
  ChooseVideo("mpeg4", "320x240");
  TRowEdits row{"full", 8, 0, 0, 0};
  const TOutputOptions out = Build({1, 640, 480, -1}, row);
  EXPECT_EQ(out.CropTop, 8);
  EXPECT_EQ(out.CropBottom, 0);
  EXPECT_EQ(out.CropLeft, 0);
  EXPECT_EQ(out.CropRight, 0);
  EXPECT_EQ(out.FrameSize, "320x240");
  EXPECT_EQ(out.FrameAspectRatio, "320:240");
  EXPECT_EQ(out.VideoFilters, "");
}

TEST_F(OptionBuilder, LetterBox) {
  struct Case {
    int Sw, Sh;
    const char* Size;
    const char* FrameSize;
    const char* Aspect;
    const char* Filters;
  };
  const Case cases[] = {
      {1280, 720, "320x240", "320x180", "320:180", "pad=320:240:0:30"},
      {640, 480, "640x360", "480x360", "480:360", "pad=640:360:80:0"},
      {640, 480, "320x240", "320x240", "320:240", "pad=320:240:0:0"},
      {720, 576, "720x480", "600x480", "600:480", "pad=720:480:60:0"},
  };
  for (const auto& c : cases) {
    ChooseVideo("mpeg4", c.Size);
    const TOutputOptions out = Build({1, c.Sw, c.Sh, -1}, {"lbox"});
    EXPECT_EQ(out.FrameSize, c.FrameSize) << c.Sw << "x" << c.Sh << " " << c.Size;
    EXPECT_EQ(out.FrameAspectRatio, c.Aspect);
    EXPECT_EQ(out.VideoFilters, c.Filters);
    EXPECT_EQ(out.CropTop, 0);
  }
}

TEST_F(OptionBuilder, LetterBoxOfACroppedPictureKeepsItsAspect) {
  // 1280x720 cropped by 160 on each side is 960x720 (4:3): it fills 320x240 without bars.
  ChooseVideo("mpeg4", "320x240");
  const TOutputOptions out = Build({1, 1280, 720, -1}, {"lbox", 0, 160, 0, 160});
  EXPECT_EQ(out.FrameSize, "");
  EXPECT_EQ(out.FrameAspectRatio, "320:240");
  EXPECT_EQ(out.VideoFilters, "crop=960:720:160:0,scale=320:240,pad=320:240:0:0");
  // Existing filters come first.
  TOutputOptions prefilled;
  prefilled.VideoFilters = "hflip";
  BuildConversionOptions(Files.Store, kCode, {"lbox"}, {1, 640, 480, -1}, prefilled, Input);
  EXPECT_EQ(prefilled.VideoFilters, "hflip,pad=320:240:0:0");
}

TEST_F(OptionBuilder, PanAndScanKeepsA4To3Picture) {
  struct Case {
    int Sw, Sh;
    TRowEdits Row;
    int Left, Right, Top, Bottom;
  };
  const Case cases[] = {
      {1280, 720, {"pan"}, 160, 160, 0, 0},           // 960x720
      {1920, 1080, {"pan"}, 240, 240, 0, 0},          // 1440x1080
      {640, 480, {"pan"}, 0, 0, 0, 0},                // already 4:3
      {480, 640, {"pan"}, 0, 0, 140, 140},            // 480x360
      {1280, 720, {"pan", 60, 0, 60, 0}, 240, 240, 60, 60},  // 800x600: the row's crop stays
      {720, 576, {"pan"}, 0, 0, 18, 18},              // 720x540
  };
  for (const auto& c : cases) {
    ChooseVideo("mpeg4", "320x240");
    const TOutputOptions out = Build({1, c.Sw, c.Sh, -1}, c.Row);
    EXPECT_EQ(out.CropLeft, c.Left) << c.Sw << "x" << c.Sh;
    EXPECT_EQ(out.CropRight, c.Right);
    EXPECT_EQ(out.CropTop, c.Top);
    EXPECT_EQ(out.CropBottom, c.Bottom);
    EXPECT_EQ(out.FrameSize, "320x240");
    EXPECT_EQ(out.FrameAspectRatio, "320:240");
    const int keptWidth = c.Sw - out.CropLeft - out.CropRight;
    const int keptHeight = c.Sh - out.CropTop - out.CropBottom;
    EXPECT_NEAR(static_cast<double>(keptWidth) / keptHeight, 4.0 / 3.0, 0.01);
    EXPECT_EQ(out.CropLeft % 2 + out.CropTop % 2, 0);
  }
}

TEST_F(OptionBuilder, CenterPlacesTheSourceUnscaled) {
  struct Case {
    int Sw, Sh;
    const char* Size;
    const char* Filters;
  };
  const Case cases[] = {
      {320, 240, "640x480", "pad=640:480:160:120:black"},
      {1280, 720, "640x480", "crop=640:480:320:120"},
      {1280, 240, "640x480", "crop=640:240:320:0,pad=640:480:0:120:black"},
      {640, 480, "640x480", ""},
  };
  for (const auto& c : cases) {
    ChooseVideo("mpeg4", c.Size);
    const TOutputOptions out = Build({1, c.Sw, c.Sh, -1}, {"center"});
    EXPECT_EQ(out.VideoFilters, c.Filters) << c.Sw << "x" << c.Sh;
    EXPECT_EQ(out.FrameSize, "");
    EXPECT_EQ(out.FrameAspectRatio, "640:480");
  }
}

TEST_F(OptionBuilder, UnknownSourceSizeNeverDividesByZero) {
  for (const char* zoom : {"full", "lbox", "pan", "center"}) {
    for (const auto& [w, h] : {std::pair{-1, -1}, std::pair{0, 480}, std::pair{640, 0}}) {
      ChooseVideo("mpeg4", "320x240");
      const TOutputOptions out = Build({1, w, h, -1}, {zoom, 8, 8, 8, 8});
      EXPECT_EQ(out.FrameSize, "320x240") << zoom;
      EXPECT_EQ(out.FrameAspectRatio, "320:240") << zoom;
      EXPECT_EQ(out.VideoFilters, "") << zoom;
      EXPECT_EQ(out.CropTop + out.CropLeft + out.CropBottom + out.CropRight, 0) << zoom;
    }
  }
  // "as source" with no known size: the engine keeps whatever the stream has.
  ChooseVideo("mpeg4", "as source");
  const TOutputOptions out = Build({1, -1, -1, -1}, {"lbox"});
  EXPECT_EQ(out.FrameSize, "");
  EXPECT_EQ(out.VideoFilters, "");
  // A crop that leaves nothing is treated like an unknown size.
  ChooseVideo("mpeg4", "320x240");
  EXPECT_EQ(Build({1, 640, 480, -1}, {"pan", 0, 320, 0, 320}).VideoFilters, "");
}

TEST_F(OptionBuilder, SourceWithoutVideo) {
  ChooseVideo("mpeg4", "null");  // no question: there is no picture to size
  Preset({{"Format", "avi"}});
  const TOutputOptions out = Build({0, -1, -1, -1});
  EXPECT_TRUE(out.DisableVideo);
  EXPECT_EQ(out.VideoCodec, "mpeg4");
  EXPECT_EQ(out.FrameSize, "");
  EXPECT_EQ(out.FileFormat, "");
  EXPECT_EQ(out.AudioCodec, "libfaac");
  EXPECT_TRUE(Input.ExtOptions.empty());
}

TEST_F(OptionBuilder, AudioOfAVideoOutput) {
  struct Case {
    std::map<std::string, std::string> Choice;
    std::string Codec;
    bool Disabled;
    int Channels, Volume, SampleRate, BitRate;
  };
  const Case cases[] = {
      {{}, "", true, 2, -1, 44100, 128000},  // every key missing
      {{{"paraAudioEncoder", "libmp3lame"}, {"paraVolume", "256"}}, "libmp3lame", false, 2, -1,
       44100, 128000},
      {{{"paraAudioEncoder", "libamr_nb"}, {"paraChannel", "1"}, {"paraVolume", "64"},
        {"paraSampleRate", "8000"}, {"paraAudioBitRate", "12.2"}},
       "libopencore_amrnb", false, 1, 64, 8000, 12200},
      {{{"paraAudioEncoder", "ac3"}, {"paraChannel", "as source"}, {"paraVolume", "0"},
        {"paraSampleRate", "as source"}, {"paraAudioBitRate", "as source"}},
       "ac3", false, -1, 0, -1, -1},
      {{{"paraAudioEncoder", "aac"}, {"paraAudioBitRate", "96"}, {"paraSampleRate", "0"}},
       "aac", false, 2, -1, -1, 96000},
  };
  for (const auto& c : cases) {
    Files.Settings.DeleteKey(FormatSection(kCode), "paraAudioEncoder");
    for (const char* key : {"paraChannel", "paraVolume", "paraSampleRate", "paraAudioBitRate"})
      Files.Settings.DeleteKey(FormatSection(kCode), key);
    Choose({{"paraVideoEncoder", "mpeg4"}, {"paraVideoSize", "320x240"}});
    Choose(c.Choice);
    const TOutputOptions out = Build();
    EXPECT_EQ(out.AudioCodec, c.Codec);
    EXPECT_EQ(out.DisableAudio, c.Disabled) << c.Codec;
    EXPECT_EQ(out.AudioChannels, c.Channels) << c.Codec;
    EXPECT_EQ(out.AudioVolume, c.Volume) << c.Codec;
    EXPECT_EQ(out.AudioSampleRate, c.SampleRate) << c.Codec;
    EXPECT_EQ(out.AudioBitrate, c.BitRate) << c.Codec;
  }
}

TEST_F(OptionBuilder, VolumeThatIsNoNumberFails) {
  ChooseVideo();
  Choose({{"paraVolume", "loud"}});
  EXPECT_THROW(Build(), TOptionError);
  Choose({{"paraVideoEncoder", ""}});
  EXPECT_THROW(Build(), TOptionError);
}

}  // namespace
}  // namespace zanto::formats
