// The fallback setter over the library's real option tables, and handing its settings on.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>

#include "engine/CodecAliases.h"
#include "engine/OptionParser.h"
#include "media/FFmpegPtr.h"

namespace zanto::engine {
namespace {

TEST(GenericOptions, FindsCommonFormatScalerAndPrefixedNames) {
  TOptionState state;
  EXPECT_TRUE(SetGenericOption(state, "flags", "+loop"));
  EXPECT_TRUE(state.Generic.CodecContext(AVMEDIA_TYPE_VIDEO)->flags & AV_CODEC_FLAG_LOOP_FILTER);
  EXPECT_TRUE(SetGenericOption(state, "packetsize", "2324"));
  EXPECT_EQ(state.Generic.FormatContext()->packet_size, 2324u);
  EXPECT_TRUE(SetGenericOption(state, "sws_flags", "bilinear"));
  EXPECT_EQ(state.ScalerFlags(), SWS_BILINEAR);
  // "abt" is no option: without its "a" it is the audio context's "bt".
  EXPECT_TRUE(SetGenericOption(state, "abt", "5000"));
  EXPECT_EQ(state.Generic.CodecContext(AVMEDIA_TYPE_AUDIO)->bit_rate_tolerance, 5000);

  EXPECT_FALSE(SetGenericOption(state, "g", "many"));       // refused value
  EXPECT_FALSE(SetGenericOption(state, "no_such", "1"));    // unknown name
  EXPECT_FALSE(SetGenericOption(state, "  ", "1"));         // blank name
  EXPECT_FALSE(SetGenericOption(state, "g", " "));          // blank value
  // "flags" belongs to video, audio and subtitle parameters alike: recorded once per kind.
  EXPECT_EQ(state.Generic.Settings().size(), 6u);
}

TEST(GenericOptions, EncoderPrivateOptionsReachTheRealContext) {
  TOptionState state;
  // Known only to the chosen encoder: checked against libx264's own table.
  SetGenericOption(state, "coder", "0");  // before the encoder is chosen: some encoder knows it
  const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
  ASSERT_NE(x264, nullptr);
  state.Generic.SelectEncoder(AVMEDIA_TYPE_VIDEO, x264);
  EXPECT_TRUE(SetGenericOption(state, "8x8dct", "0"));
  EXPECT_FALSE(SetGenericOption(state, "b-pyramid", "sideways"));
  EXPECT_TRUE(SetGenericOption(state, "bf", "2"));
  EXPECT_TRUE(SetGenericOption(state, "muxrate", "1411200"));  // an MPEG muxer's own option

  media::CodecContextPtr real(avcodec_alloc_context3(x264));
  ApplyGenericCodecOptions(state.Generic, AVMEDIA_TYPE_VIDEO, real.get(), true);
  int64_t value = -5;
  ASSERT_GE(av_opt_get_int(real.get(), "8x8dct", AV_OPT_SEARCH_CHILDREN, &value), 0);
  EXPECT_EQ(value, 0);
  ASSERT_GE(av_opt_get_int(real.get(), "coder", AV_OPT_SEARCH_CHILDREN, &value), 0);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(real->max_b_frames, 2);

  // Another encoder skips what it does not know.
  media::CodecContextPtr mpeg4(avcodec_alloc_context3(avcodec_find_encoder(AV_CODEC_ID_MPEG4)));
  ApplyGenericCodecOptions(state.Generic, AVMEDIA_TYPE_VIDEO, mpeg4.get(), true);
  EXPECT_EQ(mpeg4->max_b_frames, 2);

  AVFormatContext* raw = nullptr;
  ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, "vcd", nullptr), 0);
  media::OutputFormatPtr vcd(raw);
  media::DictionaryPtr rest = ApplyGenericFormatOptions(state.Generic, vcd.get(), true);
  ASSERT_GE(av_opt_get_int(vcd.get(), "muxrate", AV_OPT_SEARCH_CHILDREN, &value), 0);
  EXPECT_EQ(value, 1411200);
  EXPECT_EQ(av_dict_count(rest.get()), 0);
}

// The library's log lines of one test, caught through its log callback.
std::vector<std::string>* CaughtLines = nullptr;
void CatchLine(void*, int level, const char* format, va_list args) {
  char line[512];
  vsnprintf(line, sizeof line, format, args);
  if (CaughtLines && level <= AV_LOG_ERROR) CaughtLines->push_back(line);
}

TEST(GenericOptions, RefusedValuesAreReportedToTheLibraryLog) {
  std::vector<std::string> lines;
  CaughtLines = &lines;
  av_log_set_callback(CatchLine);
  TOptionState state;
  EXPECT_FALSE(SetGenericOption(state, "g", "many"));
  av_log_set_callback(av_log_default_callback);
  CaughtLines = nullptr;
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Invalid value \"many\" for option \"g\"\n");
}

TEST(GenericOptions, DebugFlagsRaiseTheLogLevel) {
  TOptionState state;
  media::TMediaLogger& logger = media::GetLogger();
  const media::TLogLevel saved = logger.LogLevel();
  logger.SetLogLevel(media::llInfo);
  EXPECT_TRUE(SetGenericOption(state, "debug", "qp"));
  EXPECT_EQ(logger.LogLevel(), media::llDebug);
  logger.SetLogLevel(saved);
}

TEST(CodecAliases, ReplaceOnlyWhatThisBuildLacks) {
  struct TCase {
    const char* Requested;
    const char* Expected;
    uint32_t Tag;
  };
  const bool hasXvid = avcodec_find_encoder_by_name("libxvid") != nullptr;
  const bool hasLibVorbis = avcodec_find_encoder_by_name("libvorbis") != nullptr;
  const TCase cases[] = {
      {"libfaac", "aac", 0},
      {"libflac", "flac", 0},
      {"vorbis", hasLibVorbis ? "libvorbis" : "vorbis", 0},
      {"libxvid", hasXvid ? "libxvid" : "mpeg4", hasXvid ? 0u : static_cast<uint32_t>(MKTAG('X', 'V', 'I', 'D'))},
      {"wmv3", "wmv2", 0},
      {"msmpeg4v1", "msmpeg4v2", 0},
      {"libopencore_amrnb", "aac", 0},
      {"libamr_nb", "aac", 0},
      {"mpeg4", "mpeg4", 0},
      {"no_such_codec", "no_such_codec", 0},
      {"", "", 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Requested);
    const TEncoderName resolved = ResolveEncoderName(c.Requested);
    EXPECT_EQ(resolved.Name, c.Expected);
    EXPECT_EQ(resolved.CodecTag, c.Tag);
    EXPECT_EQ(resolved.Substituted, std::string(c.Requested) != c.Expected);
    if (resolved.Substituted) {
      EXPECT_NE(avcodec_find_encoder_by_name(resolved.Name.c_str()), nullptr);
    }
  }
}

}  // namespace
}  // namespace zanto::engine
