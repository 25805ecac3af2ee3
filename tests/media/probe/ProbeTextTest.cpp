// The pieces of the probe's descriptive text, each rule on its own.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "media/FFmpegPtr.h"
#include "media/MediaProbeText.h"

namespace zanto::media {
namespace {

TEST(ProbeText, Id3v2FrameIdsShowReadableNames) {
  const std::vector<std::pair<std::string, std::string>> table = {
      {"TALB", "album"},     {"TAL", "album"},       {"TCOM", "composer"}, {"TCON", "genre"},
      {"TCO", "genre"},      {"TCOP", "copyright"},  {"TDRL", "date"},     {"TENC", "encoder"},
      {"TEN", "encoder"},    {"TIT2", "title"},      {"TT2", "title"},     {"TLAN", "language"},
      {"TPE1", "artist"},    {"TP1", "artist"},      {"TPOS", "disc"},     {"TPUB", "publisher"},
      {"TRCK", "track"},     {"TRK", "track"},       {"TSOA", "albumsort"},
      {"TSOP", "authorsort"}, {"TSOT", "titlesort"}, {"TYER", "year"},
  };
  for (const auto& [stored, shown] : table) EXPECT_EQ(Id3v2KeyName(stored), shown) << stored;
  // Anything else, including near misses and other cases, is shown as stored.
  for (const std::string key : {"title", "TIT1", "tit2", "TXXX", "", "major_brand"})
    EXPECT_EQ(Id3v2KeyName(key), key);
}

TEST(ProbeText, RateItemsPickTheirForm) {
  struct Case {
    double Value;
    const char* Unit;
    const char* Expected;
  };
  const Case cases[] = {
      {25, "fps", ", 25 fps"},
      {30000.0 / 1001, "fps", ", 29.97 fps"},
      {30000.0 / 1001, "tbr", ", 29.97 tbr"},
      {24000.0 / 1001, "fps", ", 23.98 fps"},
      {90000, "tbn", ", 90k tbn"},
      {1000, "tbn", ", 1k tbn"},
      {12800, "tbn", ", 12800 tbn"},
      {15360, "tbn", ", 15360 tbn"},
      {50, "tbc", ", 50 tbc"},
      {0.5, "fps", ", 0.50 fps"},
      {24.999, "fps", ", 25 fps"},  // rounds to whole hundredths first
  };
  for (const auto& c : cases) EXPECT_EQ(RateItemText(c.Value, c.Unit), c.Expected) << c.Value;
}

TEST(ProbeText, SecondsKeepSixDecimalsAndTheSign) {
  EXPECT_EQ(SecondsText(0), "0.000000");
  EXPECT_EQ(SecondsText(1400000), "1.400000");
  EXPECT_EQ(SecondsText(1376009), "1.376009");
  EXPECT_EQ(SecondsText(3723000001), "3723.000001");
  EXPECT_EQ(SecondsText(-23220), "-0.023220");
  EXPECT_EQ(SecondsText(-1500000), "-1.500000");
}

DictionaryPtr MakeDictionary(const std::vector<std::pair<const char*, const char*>>& entries) {
  AVDictionary* dict = nullptr;
  for (const auto& [key, value] : entries) av_dict_set(&dict, key, value, 0);
  return DictionaryPtr(dict);
}

TEST(ProbeText, MetadataBlocks) {
  struct Case {
    const char* Name;
    std::vector<std::pair<const char*, const char*>> Entries;
    std::string Indent;
    std::vector<std::string> Expected;
  };
  const Case cases[] = {
      {"none", {}, "", {}},
      {"only language", {{"language", "eng"}}, "  ", {}},
      {"language among others is left out",
       {{"language", "eng"}, {"handler_name", "VideoHandler"}},
       "  ",
       {"  Metadata:", "    handler_name    : VideoHandler"}},
      {"stored order and ID3v2 names",
       {{"TIT2", "Song"}, {"artist", "Band"}, {"TYER", "1999"}},
       "",
       {"Metadata:", "  title           : Song", "  artist          : Band",
        "  year            : 1999"}},
      {"long keys are not cut",
       {{"a_key_longer_than_sixteen", "v"}},
       "",
       {"Metadata:", "  a_key_longer_than_sixteen: v"}},
  };
  for (const auto& c : cases) {
    const DictionaryPtr dict = MakeDictionary(c.Entries);
    std::vector<std::string> lines{"before"};
    AppendMetadataBlock(lines, dict.get(), c.Indent);
    std::vector<std::string> expected{"before"};
    expected.insert(expected.end(), c.Expected.begin(), c.Expected.end());
    EXPECT_EQ(lines, expected) << c.Name;
  }
}

TEST(ProbeText, LocalTimeHasTheDocumentedShape) {
  // The zone is the machine's; the shape and the round trip through the C library are not.
  const std::string text = LocalTimeText(1700000000);
  ASSERT_EQ(text.size(), 19u) << text;
  std::tm tm{};
  ASSERT_NE(strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm), nullptr) << text;
  tm.tm_isdst = -1;
  EXPECT_EQ(mktime(&tm), 1700000000);
}

}  // namespace
}  // namespace zanto::media
