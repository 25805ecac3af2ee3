// Whatever text reaches the dispatcher, it either applies or fails with the user's message:
// nothing crashes and no other kind of error escapes.
#include <gtest/gtest.h>

#include <random>

#include "engine/OptionParser.h"
#include "engine/OptionText.h"
#include "tests/engine/options/FakeOptionActions.h"

namespace zanto::engine {
namespace {

const char* const kNames[] = {
    "L", "h", "loglevel", "f", "i", "map", "map_meta_data", "t", "fs", "ss", "itsoffset", "itsscale", "timestamp",
    "metadata", "dframes", "timelimit", "dump", "loop_output", "v", "target", "threads", "vsync", "async",
    "adrift_threshold", "vglobal", "copyts", "shortest", "dts_delta_threshold", "programid", "xerror", "copyinkf",
    "b", "vb", "vframes", "r", "s", "aspect", "pix_fmt", "croptop", "cropleft", "padtop", "intra", "vn", "vdt",
    "qscale", "rc_override", "vcodec", "me_threshold", "sameq", "pass", "passlogfile", "vstats_file", "vhook", "vf",
    "intra_matrix", "inter_matrix", "top", "dc", "vtag", "newvideo", "vlang", "streamid", "ab", "aframes", "aq", "ar",
    "ac", "an", "acodec", "atag", "vol", "newaudio", "sample_fmt", "scodec", "newsubtitle", "stag", "vc", "tvstd",
    "isync", "muxdelay", "muxpreload", "absf", "vbsf", "apre", "vpre", "spre", "fpre", "flags", "g", "bf", "coder",
    "sws_flags", "muxrate", "no_such_option", "", "=",
};

const char* const kValues[] = {
    "", "0", "-1", "1", "2", "99999999999999999999", "abc", "=", ":", "1:", ":1", "0x", "1.5", "-0.0", "nan", "inf",
    "1e309", "1e30", "16:9", "a=b", "copy", "pal-dvd", "ntsc-", "\xff\xfe\x01", "   ", "0,0,0", "25:1", "320x240",
    "0.1:1.0", "libx264", "+loop", "-1:-1", "2147483648", "medium", "list",
};

TEST(OptionRobustness, AnyNameAndValueEitherAppliesOrFailsWithAMessage) {
  const media::TLogLevel savedLevel = media::GetLogger().LogLevel();
  std::mt19937 random(20260101);
  std::string longValue(4000, '9');
  for (int round = 0; round < 3000; ++round) {
    TOptionState state;
    test::TFakeOptionActions actions(state);
    actions.Outputs = static_cast<int>(random() % 2);
    actions.Inputs = static_cast<int>(random() % 21);
    for (int step = 0; step < 4; ++step) {
      const std::string name = kNames[random() % std::size(kNames)];
      std::string value = random() % 20 == 0 ? longValue : kValues[random() % std::size(kValues)];
      if (name == "pix_fmt" || name == "sample_fmt") value = value == "list" ? "yuv420p" : value;  // keep it quick
      try {
        SetOption(state, actions, name, value);
      } catch (const FFmpegException& e) {
        EXPECT_STRNE(e.what(), "") << name << "=" << value;
      } catch (const std::exception& e) {
        ADD_FAILURE() << name << "=" << value << " raised " << e.what();
      }
    }
  }
  media::GetLogger().SetLogLevel(savedLevel);
}

TEST(OptionRobustness, OptionTextOfAnyBytesIsParsed) {
  std::mt19937 random(7);
  const std::string alphabet = "ab=\r\n<CRLF>< >=vb800sX\x01\xff";
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const size_t length = random() % 64;
    for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    for (const TOptionLine& line : ParseOptionText(text)) {
      EXPECT_EQ(line.Name.find('X'), std::string::npos);  // lower-cased
      EXPECT_EQ((line.Name + line.Value).find("<CRLF>"), std::string::npos);
      EXPECT_EQ(line.Name.find_first_of("\r\n"), std::string::npos);
      EXPECT_EQ(line.Value.find_first_of("\r\n"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace zanto::engine
