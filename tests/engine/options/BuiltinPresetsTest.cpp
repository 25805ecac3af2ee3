// Every built-in preset applies to this FFmpeg's libx264 and gives the profile it stands for,
// read back by ffprobe from a second of video encoded with it.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "engine/BuiltinPresets.h"
#include "engine/OptionParser.h"
#include "media/FFmpegPtr.h"
#include "support/FFprobe.h"
#include "support/TempDir.h"
#include "tests/engine/options/FakeOptionActions.h"

namespace zanto::engine {
namespace {

// Opens libx264 with the state's video settings and (unless openOnly) encodes 25 frames of a
// moving gradient at 25 fps as raw H.264; returns the library's error text, or "" on success.
std::string EncodeOneSecond(const TOptionState& state, const std::string& file, bool openOnly) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  media::CodecContextPtr ctx(avcodec_alloc_context3(codec));
  ctx->width = 320;
  ctx->height = 240;
  ctx->pix_fmt = AV_PIX_FMT_YUV420P;
  ctx->time_base = {1, 25};
  ctx->framerate = {25, 1};
  ctx->thread_count = state.ThreadCount;
  ApplyGenericCodecOptions(state.Generic, AVMEDIA_TYPE_VIDEO, ctx.get(), true);
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  if (const int ret = avcodec_open2(ctx.get(), codec, nullptr); ret < 0)
    return av_make_error_string(text, sizeof text, ret);
  if (openOnly) return "";

  std::ofstream out(file, std::ios::binary);
  media::FramePtr frame = media::MakeFrame();
  media::PacketPtr packet = media::MakePacket();
  frame->format = ctx->pix_fmt;
  frame->width = ctx->width;
  frame->height = ctx->height;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return "no frame";
  const auto drain = [&]() -> int {
    int ret;
    while ((ret = avcodec_receive_packet(ctx.get(), packet.get())) >= 0) {
      out.write(reinterpret_cast<const char*>(packet->data), packet->size);
      av_packet_unref(packet.get());
    }
    return ret == AVERROR(EAGAIN) || ret == AVERROR_EOF ? 0 : ret;
  };
  for (int i = 0; i < 25; ++i) {
    av_frame_make_writable(frame.get());
    for (int plane = 0; plane < 3; ++plane) {
      const int w = plane ? ctx->width / 2 : ctx->width, h = plane ? ctx->height / 2 : ctx->height;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          frame->data[plane][y * frame->linesize[plane] + x] = static_cast<uint8_t>(plane ? 128 + i : x + y + 3 * i);
    }
    frame->pts = i;
    int ret = avcodec_send_frame(ctx.get(), frame.get());
    if (ret >= 0) ret = drain();
    if (ret < 0) return av_make_error_string(text, sizeof text, ret);
  }
  avcodec_send_frame(ctx.get(), nullptr);
  if (const int ret = drain(); ret < 0) return av_make_error_string(text, sizeof text, ret);
  return "";
}

TEST(BuiltinPresets, FortyRowsInSearchOrderWithPresentOptionNames) {
  const auto& rows = BuiltinPresets();
  ASSERT_EQ(rows.size(), 40u);
  EXPECT_EQ(rows.front().Name, "libx264-baseline");
  EXPECT_EQ(rows.back().Name, "libx264-mp4");
  for (const TOptionsPreset& row : rows) {
    SCOPED_TRACE(row.Name);
    for (const char* legacy : {"flags2=", "directpred", "wpred-", "=+part"})
      EXPECT_EQ(row.Options.find(legacy), std::string::npos) << legacy;
  }
  EXPECT_EQ(FindBuiltinPreset("LIBX264-PSP"), &rows[36]);
  EXPECT_EQ(TranslatePresetText("flags2=+bpyramid+mixed_refs-fastpskip+fast\ndirectpred=1\nqmin=10"),
            "b-pyramid=normal\nmixed-refs=1\nfast-pskip=0\nflags2=+fast\ndirect-pred=1\nqmin=10");
}

TEST(BuiltinPresets, EveryRowOpensTheEncoderAndDeviceRowsKeepTheirProfile) {
  av_log_set_level(AV_LOG_ERROR);  // the encoder's statistics would flood the test output
  if (!avcodec_find_encoder_by_name("libx264")) GTEST_SKIP() << "no libx264 in this FFmpeg";
  struct TExpect {
    const char* Profile;
    int Level;  // -1: any
  };
  const std::map<std::string, TExpect> expected = {
      {"libx264-baseline", {"Constrained Baseline", -1}}, {"libx264-main", {"Main", -1}},
      {"libx264-ipod320", {"Constrained Baseline", 13}},  {"libx264-ipod640", {"Constrained Baseline", 30}},
      {"libx264-ipod", {"Constrained Baseline", 30}},     {"libx264-psp", {"Main", 30}},
      {"libx264-ps3", {"Main", 30}},                      {"libx264-mp4", {"Main", 30}},
  };
  test::TempDir dir;
  for (const TOptionsPreset& row : BuiltinPresets()) {
    SCOPED_TRACE(row.Name);
    TOptionState state;
    test::TFakeOptionActions actions(state);
    SetOption(state, actions, "vcodec", "libx264");
    // The short name, found through the codec prefix, as the option builder writes it.
    ASSERT_NO_THROW(SetOption(state, actions, "vpre", row.Name.substr(std::string("libx264-").size())));
    // Every row opens the encoder; the device rows also encode, for their profile.
    const auto it = expected.find(row.Name);
    const std::string file = dir.File(row.Name + ".h264");
    ASSERT_EQ(EncodeOneSecond(state, file, it == expected.end()), "");
    if (it == expected.end()) continue;
    const test::ProbeResult probe = test::FFprobe(file);
    ASSERT_TRUE(probe.Ok);
    const test::ProbeStream* video = probe.First("video");
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->Profile, it->second.Profile);
    if (it->second.Level >= 0) {
      EXPECT_EQ(video->Level, it->second.Level);
    }
    EXPECT_EQ(video->PixFmt, "yuv420p");
  }
}

}  // namespace
}  // namespace zanto::engine
