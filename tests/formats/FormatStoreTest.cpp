// The preset store: number checks, value lists, the stored values behind display entries, and
// the first-start copy of the settings file.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/ChoiceTables.h"
#include "formats/NumberText.h"
#include "formats/SettingsFile.h"
#include "FormatsTestFiles.h"

namespace zanto::formats {
namespace {

using test::TFormatFiles;

TEST(NumberText, WholeNumbers) {
  struct Case {
    const char* Text;
    bool Whole;
    int Value;
  };
  const Case cases[] = {
      {"0", true, 0},          {"  42", true, 42},       {"-7", true, -7},
      {"+7", true, 7},         {"$1F", true, 31},        {"0x10", true, 16},
      {"X10", true, 16},       {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},            {"2147483648", false, 0},
      {"", false, 0},          {" ", false, 0},          {"12 ", false, 0},
      {"12.5", false, 0},      {"as source", false, 0},  {"0x", false, 0},
      {"-$80000000", true, -2147483647 - 1},             {"-$1", true, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsWholeNumber(c.Text), c.Whole) << '"' << c.Text << '"';
    if (c.Whole) {
      EXPECT_EQ(WholeNumberValue(c.Text), c.Value) << c.Text;
    }
  }
}

TEST(NumberText, DecimalNumbers) {
  EXPECT_TRUE(IsDecimalNumber("29.97"));
  EXPECT_DOUBLE_EQ(DecimalNumberValue("29.97"), 29.97);
  EXPECT_TRUE(IsDecimalNumber("12.2"));
  EXPECT_TRUE(IsDecimalNumber("1e3"));
  EXPECT_DOUBLE_EQ(DecimalNumberValue("1e3"), 1000.0);
  EXPECT_TRUE(IsDecimalNumber("-0.5"));
  EXPECT_FALSE(IsDecimalNumber(""));
  EXPECT_FALSE(IsDecimalNumber("29,97"));  // the decimal point is "." whatever the locale
  EXPECT_FALSE(IsDecimalNumber("inf"));
  EXPECT_FALSE(IsDecimalNumber("nan"));
  EXPECT_FALSE(IsDecimalNumber("25fps"));
  EXPECT_FALSE(IsDecimalNumber("+-5"));
  EXPECT_FALSE(IsDecimalNumber("++5"));
}

TEST(ValueList, Splitting) {
  struct Case {
    const char* Text;
    bool EmptyIsNoList;
    bool NoList;
    std::vector<std::string> Entries;
  };
  const Case cases[] = {
      {"as source,320x240,", false, false, {"as source", "320x240", ""}},
      {"a,,b", false, false, {"a", "", "b"}},
      {" mono , stereo", false, false, {" mono ", " stereo"}},  // blanks kept
      {"pcm_mulaw ,mp3", true, false, {"pcm_mulaw ", "mp3"}},
      {"null", false, true, {}},
      {"null", true, true, {}},
      {"", true, true, {}},     // encoders, audio lists: empty is no list
      {"", false, false, {}},   // size, bit rate, frame rate: enabled, no entries
      {"NULL", false, false, {"NULL"}},  // only the exact text means no list
  };
  for (const auto& c : cases) {
    const TValueList list = SplitValueList(c.Text, c.EmptyIsNoList);
    EXPECT_EQ(list.NoList, c.NoList) << '"' << c.Text << '"';
    EXPECT_EQ(list.Entries, c.Entries) << '"' << c.Text << '"';
  }
}

TEST(FormatStore, PresetListsAndDefaults) {
  TFormatFiles files;
  files.Formats.WriteString("formatInfo102", "VideoSize", "as source,320x240,");
  files.Formats.WriteString("formatInfo102", "VideoEncoder", "");
  files.Formats.WriteString("formatInfo102", "FrameRate", "");
  files.Formats.WriteString("formatInfo102", "iVideoSize", "1");
  auto& store = files.Store;

  EXPECT_EQ(FormatSection(2706), "formatInfo2706");
  EXPECT_EQ(store.PresetList(102, TPresetList::VideoSize).Entries.size(), 3u);
  EXPECT_TRUE(store.PresetList(102, TPresetList::VideoEncoder).NoList);   // empty: audio-only
  EXPECT_FALSE(store.PresetList(102, TPresetList::FrameRate).NoList);     // empty: enabled
  EXPECT_TRUE(store.PresetList(102, TPresetList::AudioEncoder).NoList);   // missing: null
  EXPECT_EQ(store.PresetDefault(102, TPresetList::VideoSize), 1);
  EXPECT_EQ(store.PresetDefault(102, TPresetList::Volume), 0);
  EXPECT_EQ(store.FileExt(102), "mp4");
  EXPECT_EQ(store.Format(102), "null");
  EXPECT_EQ(store.FileExt(999), "mp4");
}

TEST(FormatStore, KeysIgnoreCase) {
  TFormatFiles files;
  files.Store.WriteChoice(5, "paraZoom", "pan");
  EXPECT_EQ(files.Store.ReadChoice(5, "parazoom", "lbox"), "pan");
  files.Store.WriteChoice(5, "PARAZOOM", "full");
  EXPECT_EQ(files.Store.ReadChoice(5, "paraZoom", "lbox"), "full");
  EXPECT_EQ(files.Settings.ReadSection("FORMATINFO5").size(), 1u);
}

TEST(FormatStore, StoredValuesBehindDisplayEntries) {
  TFormatFiles files;
  auto& store = files.Store;
  struct Case {
    bool (TFormatStore::*Store)(int, const std::string&);
    const char* Key;
    const char* Display;
    const char* Stored;  // nullptr: nothing is written
  };
  const Case cases[] = {
      {&TFormatStore::StoreVideoEncoder, "paraVideoEncoder", "MPEG-4", "mpeg4"},
      {&TFormatStore::StoreVideoEncoder, "paraVideoEncoder", "xvid", "libxvid"},
      {&TFormatStore::StoreVideoEncoder, "paraVideoEncoder", "3gp", "3gp"},
      {&TFormatStore::StoreVideoEncoder, "paraVideoEncoder", "vp9", nullptr},
      {&TFormatStore::StoreAudioEncoder, "paraAudioEncoder", "aac", "libfaac"},
      {&TFormatStore::StoreAudioEncoder, "paraAudioEncoder", "PCM_MULAW ", "pcm_mulaw"},
      {&TFormatStore::StoreAudioEncoder, "paraAudioEncoder", "pcm_mulaw", nullptr},
      {&TFormatStore::StoreAudioEncoder, "paraAudioEncoder", "wma2", "wmav2"},
      {&TFormatStore::StoreChannel, "paraChannel", "mono 1 channel", "1"},
      {&TFormatStore::StoreChannel, "paraChannel", "as source", "as source"},
      {&TFormatStore::StoreChannel, "paraChannel", "Stereo 2 channels", nullptr},
      {&TFormatStore::StoreVolume, "paraVolume", "100%", "256"},
      {&TFormatStore::StoreVolume, "paraVolume", "25%", "64"},
      {&TFormatStore::StoreVolume, "paraVolume", "400%", "1024"},
      {&TFormatStore::StoreVolume, "paraVolume", "225%", nullptr},
      {&TFormatStore::StoreVolume, "paraVolume", "%", nullptr},
  };
  for (const auto& c : cases) {
    store.WriteChoice(7, c.Key, "before");
    const bool written = (store.*c.Store)(7, c.Display);
    EXPECT_EQ(written, c.Stored != nullptr) << c.Display;
    EXPECT_EQ(store.ReadChoice(7, c.Key, ""), c.Stored ? c.Stored : "before") << c.Display;
  }
  for (int position = 0; position < 4; ++position) {
    ASSERT_TRUE(store.StoreZoom(7, position));
    EXPECT_EQ(ZoomPosition(store.ReadChoice(7, "paraZoom", "")), position);
  }
  EXPECT_FALSE(store.StoreZoom(7, 4));
  EXPECT_EQ(store.ReadChoice(7, "paraZoom", ""), "center");
}

TEST(FormatStore, ChoosingH264CopiesValidExtraValues) {
  TFormatFiles files;
  const std::string preset = FormatSection(2102);
  files.Formats.WriteString(preset, "paraBitExact", "TRUE");
  files.Formats.WriteString(preset, "paraLevel", "41");
  files.Formats.WriteString(preset, "paraMaxBitrate", "0");   // not > 0: not copied
  files.Formats.WriteString(preset, "paraGop", "abc");        // not a number: not copied
  files.Formats.WriteString(preset, "paraCoder", "0");        // 0 is valid for the coder
  files.Formats.WriteString(preset, "paraQscale", "-3");
  files.Store.WriteChoice(2102, "paraMaxBitrate", "900");

  ASSERT_TRUE(files.Store.StoreVideoEncoder(2102, "H264"));
  auto read = [&](const char* key) { return files.Store.ReadChoice(2102, key, "missing"); };
  EXPECT_EQ(read("paraVideoEncoder"), "libx264");
  EXPECT_EQ(read("paraBitExact"), "TRUE");
  EXPECT_EQ(read("paraLevel"), "41");
  EXPECT_EQ(read("paraMaxBitrate"), "900");
  EXPECT_EQ(read("paraGop"), "missing");
  EXPECT_EQ(read("paraCoder"), "0");
  EXPECT_EQ(read("paraQscale"), "missing");
}

TEST(FormatStore, CurrentFormatAndCollapseState) {
  TFormatFiles files;
  auto& store = files.Store;
  EXPECT_EQ(store.CurrentFormatCode(1), 1);
  EXPECT_TRUE(store.IsCollapsed(21));  // missing: collapsed
  store.SetCurrentFormat(2401, "VCD - PAL MPEG-1 Moive (*.mpg)");
  store.SetCollapsed(21, false);
  EXPECT_EQ(files.Settings.ReadString("settings", "FormatCode", ""), "2401");
  EXPECT_EQ(store.CurrentFormatName(""), "VCD - PAL MPEG-1 Moive (*.mpg)");
  EXPECT_FALSE(store.IsCollapsed(21));
  EXPECT_EQ(files.Settings.ReadString("lstformat", "21", ""), "0");
}

TEST(SettingsFile, CopiedOnlyWhenTheUserHasNone) {
  test::TempDir dir;
  const std::string shipped = dir.File("shipped.ini");
  const std::string settings = dir.File("config/user.ini");
  test::WriteFileBytes(shipped, "[formatInfo0]\nparaZoom=lbox\n");

  EXPECT_EQ(EnsureSettingsFile(dir.File("absent.ini"), settings), TEnsureResult::NoDefault);
  EXPECT_FALSE(std::filesystem::exists(settings));

  EXPECT_EQ(EnsureSettingsFile(shipped, settings), TEnsureResult::Copied);
  EXPECT_EQ(test::ReadFileBytes(settings), test::ReadFileBytes(shipped));

  test::WriteFileBytes(settings, "[formatInfo0]\nparaZoom=pan\n");
  EXPECT_EQ(EnsureSettingsFile(shipped, settings), TEnsureResult::Existing);
  EXPECT_EQ(test::ReadFileBytes(settings), "[formatInfo0]\nparaZoom=pan\n");

  // An empty settings file is still the user's.
  test::WriteFileBytes(settings, "");
  EXPECT_EQ(EnsureSettingsFile(shipped, settings), TEnsureResult::Existing);
  EXPECT_EQ(test::ReadFileBytes(settings), "");
}

TEST(SettingsFile, FailedCopyRaisesAndLeavesNothing) {
  test::TempDir dir;
  const std::string shipped = dir.File("shipped.ini");
  test::WriteFileBytes(shipped, "[settings]\n");
  // A file where the settings folder should be: no folder can be made there, even by root.
  const std::string blocker = dir.File("blocker");
  test::WriteFileBytes(blocker, "");
  EXPECT_THROW(EnsureSettingsFile(shipped, blocker + "/user.ini"), std::runtime_error);
  EXPECT_EQ(test::ReadFileBytes(blocker), "");
  EXPECT_FALSE(std::filesystem::exists(dir.File("blocker/user.ini.partial")));
}

}  // namespace
}  // namespace zanto::formats
