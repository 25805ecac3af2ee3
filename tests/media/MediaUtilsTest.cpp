#include <gtest/gtest.h>

#include "media/FFmpeg.h"
#include "media/MediaUtils.h"

namespace zanto::media {
namespace {

TEST(MediaUtils, DurationText) {
  EXPECT_EQ(DurationToText(3723004000LL), "01:02:03.004");
  EXPECT_EQ(DurationToText(0), "00:00:00.000");
  EXPECT_EQ(DurationToText(100LL * 3600 * 1000000), "100:00:00.000");  // hours not wrapped
  EXPECT_EQ(DurationToText(AV_NOPTS_VALUE), "N/A");
}

TEST(MediaUtils, SizeText) {
  EXPECT_EQ(SizeToText(1536), "1.50 KB");
  EXPECT_EQ(SizeToText(1024), "1024 Byte");
  EXPECT_EQ(SizeToText(0), "0 Byte");
  EXPECT_EQ(SizeToText(3 * 1048576 / 2), "1.50 MB");
  EXPECT_EQ(SizeToText(1048576), "1024.00 KB");
  EXPECT_EQ(SizeToText(5LL * 1073741824), "5.00 GB");
}

TEST(MediaUtils, ErrorTextsByMeaning) {
  EXPECT_EQ(ErrorText(AVERROR(ENOENT)), "No such file or directory");
  EXPECT_EQ(ErrorText(AVERROR(EIO)), "I/O error");
  EXPECT_EQ(ErrorText(AVERROR(ENOMEM)), "Not enough memory");
  EXPECT_EQ(ErrorText(AVERROR_INVALIDDATA), "Invalid data found when processing input");
  EXPECT_EQ(ErrorText(AVERROR_EOF), "End of file");
  EXPECT_EQ(ErrorText(AVERROR(EILSEQ)), "Unknown format");
  EXPECT_EQ(ErrorText(AVERROR(EPROTONOSUPPORT)), "Unsupported network protocol");
  EXPECT_EQ(ErrorText(AVERROR_PATCHWELCOME), "Not yet implemented in FFmpeg");
  EXPECT_EQ(ErrorText(AVERROR(EACCES)), "Permission denied");  // the library's own text
  EXPECT_EQ(ErrorMessage("/x/a.mp4", AVERROR(ENOENT)), "/x/a.mp4: No such file or directory");
}

TEST(MediaUtils, StreamKindNames) {
  EXPECT_EQ(StreamKindName(AVMEDIA_TYPE_VIDEO), "Video");
  EXPECT_EQ(StreamKindName(AVMEDIA_TYPE_AUDIO), "Audio");
  EXPECT_EQ(StreamKindName(AVMEDIA_TYPE_DATA), "Data");
  EXPECT_EQ(StreamKindName(AVMEDIA_TYPE_SUBTITLE), "Subtitle");
  EXPECT_EQ(StreamKindName(AVMEDIA_TYPE_ATTACHMENT), "Attachment");
  EXPECT_EQ(StreamKindName(7), "Unknown");
  EXPECT_EQ(StreamKindName(-1), "Unknown");
}

TEST(MediaUtils, CodecDescriptions) {
  AVCodecParameters* par = avcodec_parameters_alloc();
  par->codec_id = AV_CODEC_ID_H264;
  EXPECT_EQ(CodecDescription(par), "h264(H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10)");
  par->codec_id = AV_CODEC_ID_MPEG2TS;
  EXPECT_EQ(CodecDescription(par), "mpeg2ts");
  par->codec_id = AV_CODEC_ID_NONE;
  par->codec_tag = MKTAG('a', 'b', 'c', 'd');
  EXPECT_EQ(CodecDescription(par), "abcd / 0x64636261");
  par->codec_tag = 0x0102;
  EXPECT_EQ(CodecDescription(par), "0x0102");
  avcodec_parameters_free(&par);
}

TEST(MediaUtils, MetadataLookup) {
  AVDictionary* d = nullptr;
  av_dict_set(&d, "title", "Clip", 0);
  EXPECT_EQ(MetadataValue(d, "title"), "Clip");
  EXPECT_EQ(MetadataValue(d, "artist", "none"), "none");
  av_dict_free(&d);
}

TEST(MediaUtils, FrameToBitmapConvertsColoursAndKeepsOddSizes) {
  FramePtr frame = MakeFrame();
  frame->format = AV_PIX_FMT_YUV444P;
  frame->width = 5;
  frame->height = 3;
  ASSERT_GE(av_frame_get_buffer(frame.get(), 0), 0);
  // Pure red in limited-range BT.601: Y 81, U 90, V 240.
  for (int y = 0; y < 3; ++y) {
    memset(frame->data[0] + y * frame->linesize[0], 81, 5);
    memset(frame->data[1] + y * frame->linesize[1], 90, 5);
    memset(frame->data[2] + y * frame->linesize[2], 240, 5);
  }
  platform::TBitmap24 bmp;
  TFrameToBitmap converter;
  ASSERT_TRUE(converter.Convert(frame.get(), bmp));
  ASSERT_EQ(bmp.Width(), 5);
  ASSERT_EQ(bmp.Height(), 3);
  const uint8_t* px = bmp.ScanLine(2) + 4 * 3;
  EXPECT_LE(px[0], 10);   // B
  EXPECT_LE(px[1], 10);   // G
  EXPECT_GE(px[2], 245);  // R
  // A second frame of another size reuses the converter.
  frame = MakeFrame();
  frame->format = AV_PIX_FMT_GRAY8;
  frame->width = 4;
  frame->height = 2;
  ASSERT_GE(av_frame_get_buffer(frame.get(), 0), 0);
  for (int y = 0; y < 2; ++y) memset(frame->data[0] + y * frame->linesize[0], 255, 4);
  ASSERT_TRUE(converter.Convert(frame.get(), bmp));
  EXPECT_EQ(bmp.Width(), 4);
  EXPECT_GE(bmp.ScanLine(1)[9], 250);
  EXPECT_FALSE(converter.Convert(nullptr, bmp));
}

}  // namespace
}  // namespace zanto::media
