// Join mode of the task core: one output takes every input of the task in turn. The component
// gives each task one input, so this drives the task directly.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/FFmpegTask.h"
#include "engine/OptionParser.h"
#include "support/FFprobe.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace zanto::engine::test {
namespace {

using zanto::test::FFprobe;
using zanto::test::Fixture;
using zanto::test::TempDir;

int VideoPackets(const std::string& file) {
  std::string out;
  zanto::test::RunCommand("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                          "stream=nb_read_packets -of csv=p=0 " + zanto::test::ShellQuote(file), &out);
  return std::atoi(out.c_str());
}

TEST(JoinMode, InputsFollowOneAnotherInTheOutput) {
  TempDir dir;
  TFFmpeg task;
  ASSERT_TRUE(task.OpenInputFile(Fixture("clip.mp4"))) << task.LastErrorText();
  ASSERT_TRUE(task.OpenInputFile(Fixture("clip_30fps.mp4"))) << task.LastErrorText();
  TOutputOptions options;
  options.VideoCodec = "mpeg4";
  options.AudioCodec = "aac";
  options.FrameRate = "25";
  options.Join = true;
  const std::string out = dir.File("joined.mp4");
  ASSERT_TRUE(ApplyOutputOptions(task.State(), task, out, &options)) << task.LastErrorText();
  EXPECT_EQ(task.OutputFileCount(), 2);  // one entry per input
  EXPECT_NEAR(task.TotalDuration(), 4000000, 100000);
  // A second output cannot join as well.
  EXPECT_FALSE(task.OpenOutputFile(dir.File("second.mp4"), true));
  EXPECT_EQ(task.LastErrorText(), "Cannot join more than one output file.");

  task.Start(false, tpNormal);
  ASSERT_TRUE(task.Finished()) << task.ExceptionMsg();
  const auto probe = FFprobe(out);
  ASSERT_NE(probe.First("video"), nullptr);
  ASSERT_NE(probe.First("audio"), nullptr);
  EXPECT_NEAR(VideoPackets(out), 100, 1);
  EXPECT_NEAR(probe.First("audio")->Duration, 4.0, 0.1);
}

}  // namespace
}  // namespace zanto::engine::test
