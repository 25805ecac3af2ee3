#include <gtest/gtest.h>

#include "cli/CliOptions.h"
#include "cli/ProgressLine.h"

namespace zanto::cli {
namespace {

TEST(CliOptions, Times) {
  struct Case {
    const char* Text;
    int64_t Us;  // -1: rejected
  };
  for (const Case c : {Case{"12", 12'000'000}, Case{"12.5", 12'500'000}, Case{"01:02:03", 3'723'000'000},
                       Case{"1:02:03.250", 3'723'250'000}, Case{"02:03", 123'000'000},
                       Case{"0", 0}, Case{"", -1}, Case{"1:2:3:4", -1}, Case{"1:60", -1},
                       Case{"-3", -1}, Case{"abc", -1}, Case{"1:", -1}, Case{"1:99:00", -1}}) {
    const auto t = ParseTimeUs(c.Text);
    if (c.Us < 0)
      EXPECT_FALSE(t.has_value()) << c.Text;
    else
      EXPECT_EQ(t.value_or(-1), c.Us) << c.Text;
  }
}

TEST(CliOptions, EveryOption) {
  const TCliOptions o = ParseCommandLine({"--format", "302", "--output-dir", "/out", "--trim-start",
                                          "1.5", "--trim-end", "00:00:04", "--crop", "8:7:0:3",
                                          "--zoom", "pan", "--settings", "/s.ini", "a.mp4", "--",
                                          "-dash.mp4"});
  EXPECT_EQ(o.FormatCode, 302);
  EXPECT_EQ(o.OutputDir, "/out");
  EXPECT_EQ(o.TrimStartUs, 1'500'000);
  EXPECT_EQ(o.TrimEndUs, 4'000'000);
  EXPECT_TRUE(o.HasCrop);
  EXPECT_EQ(o.CropTop, 8);
  EXPECT_EQ(o.CropBottom, 6);  // rounded down to even
  EXPECT_EQ(o.CropLeft, 0);
  EXPECT_EQ(o.CropRight, 2);
  EXPECT_EQ(o.Zoom, "pan");
  EXPECT_EQ(o.SettingsFile, "/s.ini");
  EXPECT_EQ(o.Files, (std::vector<std::string>{"a.mp4", "-dash.mp4"}));
}

TEST(CliOptions, BadCommandLines) {
  const std::vector<std::vector<std::string>> bad = {
      {},                                    // no file
      {"--format"},                          // missing value
      {"--format", "x", "a"},                // not a number
      {"--zoom", "center", "a"},             // not offered
      {"--crop", "1:2:3", "a"},              // three values
      {"--trim-start", "5", "--trim-end", "4", "a"},
      {"--bogus", "a"},
  };
  for (const auto& args : bad) EXPECT_THROW(ParseCommandLine(args), std::invalid_argument);
  EXPECT_TRUE(ParseCommandLine({"--help"}).Help);
  EXPECT_TRUE(ParseCommandLine({"--list-formats"}).ListFormats);
  EXPECT_NE(UsageText().find("--list-formats"), std::string::npos);
}

TEST(ProgressLine, KnownAndUnknownTotals) {
  EXPECT_EQ(ProgressLine(1, 3, "clip.mp4", 12'000'000, 30'000'000, 87, 4.0),
            "[1/3] clip.mp4  40%  00:00:12/00:00:30  87 fps  ETA 00:00:06");
  EXPECT_EQ(ProgressLine(2, 2, "a.wav", 5'000'000, -1, -1, 2.0), "[2/2] a.wav  00:00:05");
  EXPECT_EQ(ClockText(3723), "01:02:03");
}

}  // namespace
}  // namespace zanto::cli
