// Option text, the input and output records, and the stream groups of one output.
#include <gtest/gtest.h>

#include "engine/OptionParser.h"
#include "engine/OptionText.h"
#include "tests/engine/options/FakeOptionActions.h"

namespace zanto::engine {
namespace {

using test::TFakeOptionActions;

TEST(OptionText, SplitsEveryKindOfLineBreakAndLowerCasesNames) {
  const auto lines = ParseOptionText("  \r\nVB=800<CRLF>Title=Mixed Case\rab=128000\n\nnewvideo\r\nmetadata=a=b \n ");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].Name, "vb");
  EXPECT_EQ(lines[0].Value, "800");
  EXPECT_EQ(lines[1].Name, "title");
  EXPECT_EQ(lines[1].Value, "Mixed Case");  // values stay as written
  EXPECT_EQ(lines[2].Name, "ab");
  EXPECT_EQ(lines[3].Name, "newvideo");  // no "=": empty value
  EXPECT_EQ(lines[3].Value, "");
  EXPECT_EQ(lines[4].Name, "metadata");
  EXPECT_EQ(lines[4].Value, "a=b");  // split at the first "=" only; the text's end was trimmed
  EXPECT_EQ(ParseOptionText("x=1\n b =1")[1].Name, " b ");  // names are not trimmed
}

TEST(OptionText, InputAndOutputSkipDifferentNames) {
  TOptionState state;
  TFakeOptionActions actions(state);
  const std::string text = "vcodec=h264<CRLF>s=320x240<CRLF>vf=scale=1:1<CRLF>vpre=fast<CRLF>Shortest";
  ApplyOptionText(state, actions, text, true);
  EXPECT_EQ(state.VideoCodecName, "h264");  // selects the decoder
  EXPECT_EQ(state.FrameWidth, 320);
  EXPECT_EQ(state.VideoFilters, "");  // never an input's option
  EXPECT_TRUE(state.Shortest);

  ResetOptions(state);
  ApplyOptionText(state, actions, text, false);
  EXPECT_EQ(state.VideoCodecName, "");  // an output takes these per stream
  EXPECT_EQ(state.FrameWidth, 0);
  EXPECT_TRUE(state.Shortest);
}

TEST(OptionText, CapitalNamesReachTheDispatcherLowerCased) {
  TOptionState state;
  TFakeOptionActions actions(state);
  ApplyOptionText(state, actions, "VB=800", false);
  EXPECT_TRUE(actions.Logged("WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"));
}

TEST(InputRecord, AppliesTextThenFormatStartAndProgram) {
  TOptionState state;
  TFakeOptionActions actions(state);
  TInputOptions input;
  input.ExtOptions = "f=avi\nss=5";
  input.FileFormat = "mov";
  input.StartTime = 2500000;
  input.ProgramID = 3;
  ApplyInputOptions(state, actions, input);
  EXPECT_EQ(state.ForcedFormat, "mov");
  EXPECT_EQ(state.StartTimeUs, 2500000);
  EXPECT_EQ(state.ProgramId, 3);

  ResetOptions(state);
  ApplyInputOptions(state, actions, TInputOptions{});  // nothing set: nothing applied
  EXPECT_EQ(state.ForcedFormat, "");
  EXPECT_EQ(state.ProgramId, 0);
}

struct TGroupCase {
  const char* RecordCodec;
  const char* ExtOptions;
  std::vector<std::string> ExpectedVideoCodecs;
};

TEST(OutputRecord, StreamGroupsTakeTheirCodecsInOrder) {
  const TGroupCase cases[] = {
      {"libx264", "vcodec=mpeg4<CRLF>newvideo=<CRLF>vcodec=h263", {"libx264", "mpeg4"}},
      {"", "vcodec=mpeg4<CRLF>newvideo=<CRLF>vcodec=h263", {"mpeg4", "mpeg4"}},
      {"", "vcodec=mpeg4<CRLF>newvideo<CRLF>vcodec=h263<CRLF>newvideo", {"mpeg4", "mpeg4", "h263"}},
      {"mpeg4", "newvideo", {"mpeg4", "mpeg4"}},  // nothing left in the list: the default again
  };
  for (const TGroupCase& c : cases) {
    SCOPED_TRACE(std::string(c.RecordCodec) + " / " + c.ExtOptions);
    TOptionState state;
    TFakeOptionActions actions(state);
    TOutputOptions output;
    output.VideoCodec = c.RecordCodec;
    output.ExtOptions = c.ExtOptions;
    ASSERT_TRUE(ApplyOutputOptions(state, actions, "out.mp4", &output));
    std::vector<std::string> codecs;
    for (const auto& s : actions.Streams)
      if (s.Kind == 'v') codecs.push_back(s.Codec);
    EXPECT_EQ(codecs, c.ExpectedVideoCodecs);
  }
}

TEST(OutputRecord, GroupsCarrySizeFiltersAndAudioCodecs) {
  TOptionState state;
  TFakeOptionActions actions(state);
  TOutputOptions output;
  output.VideoCodec = "mpeg4";
  output.AudioCodec = "aac";
  output.FrameSize = "320x240";
  output.ExtOptions = "s=176x144\nvf=hflip\nnewvideo\nacodec=mp2\nnewaudio\nnewsubtitle";
  ASSERT_TRUE(ApplyOutputOptions(state, actions, "out.mkv", &output));
  ASSERT_EQ(actions.Streams.size(), 5u);
  EXPECT_EQ(actions.Streams[0].Kind, 'v');
  EXPECT_EQ(actions.Streams[0].Width, 320);  // the record's size for the first stream
  EXPECT_EQ(actions.Streams[0].Filters, "hflip");  // the first filter line is the default
  EXPECT_EQ(actions.Streams[1].Kind, 'a');
  EXPECT_EQ(actions.Streams[1].Codec, "aac");
  EXPECT_EQ(actions.Streams[2].Kind, 'v');
  EXPECT_EQ(actions.Streams[2].Codec, "mpeg4");
  EXPECT_EQ(actions.Streams[2].Width, 176);  // the next "s" entry
  EXPECT_EQ(actions.Streams[3].Kind, 'a');
  EXPECT_EQ(actions.Streams[3].Codec, "mp2");
  EXPECT_EQ(actions.Streams[4].Kind, 's');
}

TEST(OutputRecord, FieldsApplyInTheRecordsOrder) {
  TOptionState state;
  state.FrameWidth = 640;
  state.FrameHeight = 480;  // the opened input's size
  TFakeOptionActions actions(state);
  TOutputOptions output;
  output.FileName = "ignored.avi";
  output.FrameSize = "320x240";  // applied after the crops, so the crops see the input's size
  output.CropTop = 100;
  output.VideoBitrate = 768000;
  output.AudioBitrate = 128000;
  output.AudioBitrateTolerance = 4000;
  output.MuxDelay = 0.25f;
  output.RecordingTime = 10000000;
  output.Metadata.Title = "Clip";
  output.Metadata.Year = 2009;
  output.Metadata.Track = 0;  // not positive: no pair
  output.Join = true;
  output.ExtOptions = "g=30\nvol=512";
  ASSERT_TRUE(ApplyOutputOptions(state, actions, "out.avi", &output));
  EXPECT_EQ(actions.OpenedFiles, std::vector<std::string>{"out.avi"});
  EXPECT_TRUE(actions.LastJoin);
  EXPECT_EQ(state.CropTop, 100);
  EXPECT_EQ(state.FrameWidth, 320);
  EXPECT_EQ(state.FrameHeight, 240);
  EXPECT_EQ(state.AudioVolume, 512);
  EXPECT_EQ(state.Generic.CodecContext(AVMEDIA_TYPE_VIDEO)->gop_size, 30);
  EXPECT_EQ(state.Generic.CodecContext(AVMEDIA_TYPE_VIDEO)->bit_rate, 768000);
  EXPECT_EQ(state.Generic.CodecContext(AVMEDIA_TYPE_AUDIO)->bit_rate, 128000);
  EXPECT_EQ(state.Generic.CodecContext(AVMEDIA_TYPE_AUDIO)->bit_rate_tolerance, 4000);
  EXPECT_FLOAT_EQ(state.MuxMaxDelayS, 0.25f);
  EXPECT_EQ(actions.TotalDurationUs, 10000000);
  const std::vector<std::pair<std::string, std::string>> metadata = {{"year", "2009"}, {"title", "Clip"}};
  EXPECT_EQ(state.Metadata, metadata);
}

TEST(OutputRecord, TargetTypeAndFailedOpen) {
  TOptionState state;
  state.FrameRate = {25, 1};
  TFakeOptionActions actions(state);
  actions.OpenSucceeds = false;
  TOutputOptions output;
  output.TargetType = 1;
  output.ExtOptions = "newvideo";
  EXPECT_FALSE(ApplyOutputOptions(state, actions, "out.mpg", &output));
  EXPECT_EQ(state.ForcedFormat, "vcd");
  EXPECT_EQ(state.FrameWidth, 352);
  EXPECT_TRUE(actions.Streams.empty());  // no stream groups after a failed open

  EXPECT_FALSE(ApplyOutputOptions(state, actions, "plain.mp4", nullptr));
  EXPECT_EQ(actions.OpenedFiles.back(), "plain.mp4");
}

}  // namespace
}  // namespace zanto::engine
