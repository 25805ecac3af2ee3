// The probe's descriptive text on the fixtures: header lines from ffprobe's facts, and the
// stream lines with their rate items, ids, languages, times and metadata blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "media/MediaProbe.h"
#include "media/MediaProbeText.h"
#include "support/FFprobe.h"
#include "support/Fixtures.h"

namespace zanto::media {
namespace {

using test::Fixture;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool StartsWith(const std::string& s, const std::string& p) { return s.rfind(p, 0) == 0; }
bool EndsWith(const std::string& s, const std::string& p) {
  return s.size() >= p.size() && s.compare(s.size() - p.size(), p.size(), p) == 0;
}

// hh:mm:ss.mmm, milliseconds cut (not rounded), as the program shows durations.
std::string Clock(double seconds) {
  const long long ms = static_cast<long long>(std::llround(seconds * 1e6) / 1000);
  char text[32];
  std::snprintf(text, sizeof text, "%.2lld:%.2lld:%.2lld.%.3lld", ms / 3600000, ms / 60000 % 60,
                ms / 1000 % 60, ms % 1000);
  return text;
}

TEST(ProbeInfoText, HeaderAgreesWithFFprobe) {
  for (const char* name : {"clip.mp4", "clip.avi", "clip.mkv", "clip_90k.ts", "audio.mp3",
                           "audio.wav", "late_start.mp4", "odd_321x241.mkv", "клип é.mp4"}) {
    SCOPED_TRACE(name);
    const std::string path = Fixture(name);
    const test::ProbeResult expected = test::FFprobe(path);
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(path));
    const auto lines = Lines(probe.FormatInfoText());
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "File Name: " + path);
    EXPECT_EQ(lines[1], "Format Name: " + expected.FormatName);
    EXPECT_TRUE(StartsWith(lines[2], "Format Long Name: ") && lines[2].size() > 18) << lines[2];
    char size[32];
    std::snprintf(size, sizeof size, "File Size: %.2f KB", expected.Size / 1024.0);
    EXPECT_EQ(lines[3], size);
    EXPECT_EQ(lines[4], "Duration: " + Clock(expected.Duration));
    size_t next = 5;
    if (std::string(name) != "audio.wav") {  // WAV has no start time
      char start[48];
      std::snprintf(start, sizeof start, "StartTime: %.6f", expected.StartTime);
      EXPECT_EQ(lines[next++], start);
    }
    EXPECT_EQ(lines[next], "Bit Rate: " + std::to_string(expected.BitRate / 1000) + " kb/s");

    // One line per stream, each index once.
    for (const auto& s : expected.Streams) {
      int found = 0;
      for (const auto& line : lines) {
        const std::string head = "Stream #" + std::to_string(s.Index);
        found += StartsWith(line, head) && (line.size() == head.size() ||
                                            std::string("[(,").find(line[head.size()]) !=
                                                std::string::npos);
      }
      EXPECT_EQ(found, 1) << "stream " << s.Index;
    }
  }
}

struct ExpectedLine {
  std::string Prefix;
  std::string Suffix;  // empty: only the prefix matters
};

// Every expected line must appear, in the given order, as a line of the text.
void ExpectLinesInOrder(const std::vector<std::string>& lines,
                        const std::vector<ExpectedLine>& expected) {
  size_t at = 0;
  for (const auto& e : expected) {
    while (at < lines.size() &&
           !(StartsWith(lines[at], e.Prefix) && EndsWith(lines[at], e.Suffix)))
      ++at;
    ASSERT_LT(at, lines.size()) << "no line \"" << e.Prefix << " ... " << e.Suffix << "\"";
    ++at;
  }
}

TEST(ProbeInfoText, StreamLinesAndBlocks) {
  struct Case {
    const char* Name;
    std::vector<ExpectedLine> Expected;
  };
  const Case cases[] = {
      {"clip.mp4",
       {{"Metadata:", ""},
        {"  major_brand     : isom", ""},
        {"Stream #0[0x1](und), 1/12800: Video: h264",
         ", 25 fps, 25 tbr, 12800 tbn, StartTime: 0.000000, Duration: 00:00:02.000"},
        {"  Metadata:", ""},
        {"    handler_name    : VideoHandler", ""},
        {"Stream #1[0x2](und), 1/44100: Audio: aac", ", StartTime: 0.000000, Duration: 00:00:02.000"}}},
      {"clip_30fps.mp4", {{"Stream #0[0x1](und), 1/15360: Video: h264", ", 30 fps, 30 tbr, 15360 tbn, StartTime: 0.000000, Duration: 00:00:02.000"}}},
      {"clip_2997.mp4", {{"Stream #0[0x1](und), 1/30000: Video: h264", ", 29.97 fps, 29.97 tbr, 30k tbn, StartTime: 0.000000, Duration: 00:00:01.001"}}},
      {"clip_90k.ts",
       {{"Program 1 FFmpeg@Service01", ""},
        {"  Metadata:", ""},
        {"    service_name    : Service01", ""},
        {"Stream #0[0x100], 1/90000: Video: mpeg2video",
         ", 25 fps, 25 tbr, 90k tbn, StartTime: 1.440000, Duration: 00:00:02.000"},
        {"Stream #1[0x101], 1/90000: Audio: mp2", ", StartTime: 1.429089, Duration: 00:00:01.854"}}},
      {"clip.avi",
       {{"Stream #0, 1/25: Video: mpeg4", ", 25 fps, 25 tbr, 25 tbn, StartTime: 0.000000, Duration: 00:00:02.040"},
        {"Stream #1, 32/1225: Audio: mp3", ""}}},
      {"clip.mkv", {{"Stream #0, 1/1000: Video: h264", ", 25 fps, 25 tbr, 1k tbn, StartTime: 0.003000, Duration: N/A"}}},
      {"odd_321x241.mkv", {{"Stream #0, 1/1000: Video: ffv1", ", 321x241, PAR 1:1 DAR 321:241, 25 fps, 25 tbr, 1k tbn, StartTime: 0.000000, Duration: N/A"}}},
      {"id3.mp3",
       {{"Metadata:", ""},
        {"  title           : Test Title", ""},
        {"  artist          : Test Artist", ""},
        {"  album           : Test Album", ""},
        {"Stream #0, 1/14112000: Audio: mp3", ", StartTime: 0.025057, Duration: 00:00:02.037"}}},
      {"tagged.mp4",
       {{"  title           : Tagged Clip", ""},
        {"  comment         : made for tests", ""},
        {"Stream #0[0x1](eng), ", ""},
        {"Stream #1[0x2](fre), ", ""}}},
      {"subs.mkv",
       {{"Stream #0(eng), 1/1000: Subtitle: subrip", ""},
        {"Stream #1, 1/1000: Video: h264", ""},
        {"Stream #2, 1/1000: Audio: aac", ""},
        {"Stream #3, ", ""},
        {"  Metadata:", ""},
        {"    filename        : notes.txt", ""}}},
      {"audio.wav", {{"Stream #0, 1/44100: Audio: pcm_s16le", "/s, Duration: 00:00:02.000"}}},
      {"late_start.mp4", {{"StartTime: 1.376009", ""}, {"Stream #0[0x1](und), ", ", StartTime: 1.400000, Duration: 00:00:02.000"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(Fixture(c.Name)));
    ExpectLinesInOrder(Lines(probe.FormatInfoText()), c.Expected);
  }
}

TEST(ProbeInfoText, LanguageAloneMakesNoMetadataBlock) {
  // The file has no metadata, the video stream none, the audio stream only a language.
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(Fixture("lang_only.ts")));
  const auto lines = Lines(probe.FormatInfoText());
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(StartsWith(lines.back(), "Stream #1[0x101](eng), 1/90000: Audio: mp2")) << lines.back();
  int blocks = 0;
  for (const auto& line : lines) blocks += line.find("Metadata:") != std::string::npos;
  EXPECT_EQ(blocks, 1);  // only the program's
  for (const auto& line : lines) EXPECT_EQ(line.find("language"), std::string::npos) << line;
}

TEST(ProbeInfoText, CreationTimeIsShownInLocalTime) {
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(Fixture("dated.mp4")));
  ExpectLinesInOrder(Lines(probe.FormatInfoText()),
                     {{"Bit Rate: ", ""}, {"Time Stamp: " + LocalTimeText(1577934245), ""},
                      {"Metadata:", ""}});
  ASSERT_TRUE(probe.LoadFile(Fixture("clip.mp4")));
  EXPECT_EQ(probe.FormatInfoText().find("Time Stamp:"), std::string::npos);
}

}  // namespace
}  // namespace zanto::media
