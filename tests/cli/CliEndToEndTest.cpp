// zanto-convert run as a user runs it, checked with ffprobe.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/FFprobe.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

extern char** environ;

namespace zanto::cli {
namespace {

namespace fs = std::filesystem;
using test::RunCommand;
using test::ShellQuote;

const std::string kConvert = std::string(ZANTO_BIN_DIR) + "/zanto-convert";

class CliTest : public testing::Test {
 protected:
  std::string Command(const std::string& args) {
    return ShellQuote(kConvert) + " --settings " + ShellQuote(dir_.File("s.ini")) + " --output-dir " +
           ShellQuote(dir_.File("out")) + " " + args;
  }
  std::vector<std::string> Outputs() { return test::FileNamesIn(dir_.File("out")); }
  test::TempDir dir_;
};

TEST_F(CliTest, ListsTheCatalogueAsCodeTabCaption) {
  std::string out;
  ASSERT_EQ(RunCommand(Command("--list-formats"), &out), 0);
  EXPECT_NE(out.find("300\tMP3 MPEG Layer-3 Audio (*.mp3)\n"), std::string::npos) << out;
  EXPECT_GT(std::count(out.begin(), out.end(), '\n'), 100);
  std::string help;
  ASSERT_EQ(RunCommand(ShellQuote(kConvert) + " --help", &help), 0);
  for (const char* option : {"--format", "--output-dir", "--trim-start", "--trim-end", "--crop",
                             "--zoom", "--settings", "--list-formats"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  EXPECT_EQ(RunCommand(ShellQuote(kConvert) + " --zoom sideways a.mp4 2>/dev/null"), 2);
}

TEST_F(CliTest, ABadFileInTheMiddleIsReportedAndTheOthersConvert) {
  std::string out;
  const int rc = RunCommand(Command("--format 2 " + ShellQuote(test::Fixture("clip.mp4")) + " " +
                                    ShellQuote(test::Fixture("text.mp4")) + " " +
                                    ShellQuote(test::Fixture("audio.mp3")) + " 2>/dev/null"),
                            &out);
  EXPECT_EQ(rc, 1);
  EXPECT_NE(out.find("FAILED  " + test::Fixture("text.mp4")), std::string::npos) << out;
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"audio_(new).mp4", "clip_(new).mp4"}));
  const auto video = test::FFprobe(dir_.File("out/clip_(new).mp4"));
  ASSERT_TRUE(video.Ok);
  EXPECT_EQ(video.First("video")->CodecName, "mpeg4");
  EXPECT_EQ(video.First("video")->Width, 320);
  const auto audio = test::FFprobe(dir_.File("out/audio_(new).mp4"));
  ASSERT_TRUE(audio.Ok);
  EXPECT_EQ(audio.Count("video"), 0);
  EXPECT_EQ(audio.First("audio")->CodecName, "aac");
}

TEST_F(CliTest, TrimCropAndZoomOptionsShapeTheOutput) {
  ASSERT_EQ(RunCommand(Command("--format 2 --trim-start 0.5 --trim-end 00:00:01.5 --crop 0:0:40:40 "
                               "--zoom full " + ShellQuote(test::Fixture("clip_30fps.mp4")) +
                               " >/dev/null 2>&1")),
            0);
  const auto probe = test::FFprobe(dir_.File("out/clip_30fps_(new).mp4"));
  ASSERT_TRUE(probe.Ok);
  const auto* video = probe.First("video");
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->Width, 320);  // the format's size, whatever was cut
  EXPECT_EQ(video->Height, 240);
  EXPECT_NEAR(video->Duration, 1.0, 0.05);
}

// Runs the converter with stderr on a pipe; returns its pid and the read end.
pid_t Spawn(const std::vector<std::string>& args, int& stderrRead) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  stderrRead = fds[0];
  return pid;
}

TEST_F(CliTest, CtrlCStopsCleanlyWithAPlayablePartialFileAndNoEmptyOnes) {
  // A long enough source that the conversion is surely still running when interrupted.
  const std::string source = dir_.File("long.mp4");
  ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -f lavfi -i testsrc=size=640x480:rate=25:duration=120 "
                       "-f lavfi -i sine=duration=120 -c:v libx264 -preset ultrafast -c:a aac -shortest " +
                       ShellQuote(source)),
            0);
  int err = -1;
  const pid_t pid = Spawn({kConvert, "--settings", dir_.File("s.ini"), "--output-dir", dir_.File("out"),
                           "--format", "2", source, test::Fixture("clip.mp4")},
                          err);
  ASSERT_GT(pid, 0);
  // Wait for the first progress line, then interrupt as Ctrl-C does.
  std::string text;
  char buf[256];
  ssize_t n;
  while (text.find("[1/2]") == std::string::npos && (n = read(err, buf, sizeof buf)) > 0) text.append(buf, n);
  ASSERT_NE(text.find("[1/2]"), std::string::npos) << text;
  kill(pid, SIGINT);
  while ((n = read(err, buf, sizeof buf)) > 0) text.append(buf, n);
  close(err);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130) << text;
  // The interrupted file has a valid trailer; the second never started and left nothing.
  EXPECT_EQ(Outputs(), std::vector<std::string>{"long_(new).mp4"});
  const auto partial = test::FFprobe(dir_.File("out/long_(new).mp4"));
  ASSERT_TRUE(partial.Ok);
  EXPECT_GT(partial.Duration, 0.0);
  EXPECT_LT(partial.Duration, 120.0);
}

}  // namespace
}  // namespace zanto::cli
