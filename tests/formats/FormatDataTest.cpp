// The shipped format data: a complete, consistent section for every format the catalogue shows,
// initial choices that match the presets, and encoders and containers this FFmpeg has.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include "ShippedFormats.h"
#include "engine/CodecAliases.h"
#include "formats/ChoiceTables.h"
#include "formats/NumberText.h"
#include "media/FFmpeg.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

namespace zanto::formats {
namespace {

using test::ShippedFormats;

bool IsSize(const std::string& text) {
  const auto x = text.find('x');
  if (x == std::string::npos) return false;
  const std::string w = text.substr(0, x), h = text.substr(x + 1);
  return IsWholeNumber(w) && IsWholeNumber(h) && WholeNumberValue(w) > 0 &&
         WholeNumberValue(h) > 0 && WholeNumberValue(w) % 2 == 0 && WholeNumberValue(h) % 2 == 0;
}
bool IsPositive(const std::string& text) {
  return (IsWholeNumber(text) && WholeNumberValue(text) > 0) ||
         (IsDecimalNumber(text) && DecimalNumberValue(text) > 0);
}
bool IsKnown(const char* const* names, const std::string& text) {
  for (; *names; ++names)
    if (text == *names) return true;
  return false;
}

// Whether an entry of a list belongs to that list's vocabulary.
bool InVocabulary(TPresetList list, const std::string& entry) {
  const bool asSource = entry == "as source";
  switch (list) {
    case TPresetList::VideoSize: return asSource || IsSize(entry);
    case TPresetList::VideoBitRate: return asSource || (IsWholeNumber(entry) && IsPositive(entry));
    case TPresetList::FrameRate: return asSource || IsPositive(entry);
    case TPresetList::AudioBitRate: return asSource || IsPositive(entry);
    case TPresetList::SampleRate: return asSource || (IsWholeNumber(entry) && IsPositive(entry));
    case TPresetList::VideoEncoder: return IsKnown(KnownVideoEncoderDisplayNames(), entry);
    case TPresetList::AudioEncoder: return IsKnown(KnownAudioEncoderDisplayNames(), entry);
    case TPresetList::Channel: return ChannelValue(entry).has_value();
    case TPresetList::Volume: return VolumeValue(entry).has_value();
  }
  return false;
}

// The settings value the panel stores for a display entry of a list.
std::string StoredValue(TPresetList list, const std::string& entry) {
  switch (list) {
    case TPresetList::VideoEncoder: return VideoEncoderName(entry).value_or("?");
    case TPresetList::AudioEncoder: return AudioEncoderName(entry).value_or("?");
    case TPresetList::Channel: return ChannelValue(entry).value_or("?");
    case TPresetList::Volume: return VolumeValue(entry).value_or("?");
    default: return entry;
  }
}

TEST(FormatData, EveryCatalogueRowHasACompleteConsistentSection) {
  const auto formats = ShippedFormats();
  ASSERT_EQ(formats.size(), 131u);
  const TFormatStore store = test::ShippedStore(test::ShippedDefaultSettingsFile());
  const platform::TIniFile presetFile(test::ShippedFormatFile());
  const std::set<std::string> keywords = {
      "null", "ntsc-dvd", "pal-dvd", "ntsc-vcd", "pal-vcd", "ntsc-svcd", "pal-svcd", "ipod",
      "3gp",  "3g2",      "avi",     "psp",      "mov",     "vcd",       "flv",      "mpegts",
      "vob",  "ps3"};

  for (const auto& format : formats) {
    SCOPED_TRACE(std::to_string(format.Code) + " " + format.Caption);
    const int code = format.Code;
    ASSERT_TRUE(presetFile.SectionExists(FormatSection(code)));
    EXPECT_FALSE(format.CaptionExt.empty());
    EXPECT_EQ(store.FileExt(code), format.CaptionExt);
    EXPECT_TRUE(presetFile.ValueExists(FormatSection(code), "Format"));
    EXPECT_EQ(keywords.count(store.Format(code)), 1u) << store.Format(code);
    EXPECT_EQ(store.ReadChoice(code, "Description", ""), format.Caption);

    const bool video = !store.PresetList(code, TPresetList::VideoEncoder).NoList;
    for (TPresetList list : kAllPresetLists) {
      const char* key = PresetListKey(list);
      SCOPED_TRACE(key);
      const TValueList values = store.PresetList(code, list);
      const bool videoList = list == TPresetList::VideoSize || list == TPresetList::VideoBitRate ||
                             list == TPresetList::FrameRate || list == TPresetList::VideoEncoder;
      if (videoList && !video) {
        EXPECT_TRUE(values.NoList);
        EXPECT_FALSE(store.ReadChoice(code, std::string("para") + key, "").size());
        continue;
      }
      ASSERT_FALSE(values.NoList);
      ASSERT_FALSE(values.Entries.empty());
      for (const auto& entry : values.Entries)
        EXPECT_TRUE(InVocabulary(list, entry)) << '"' << entry << '"';
      const int position = store.PresetDefault(code, list);
      ASSERT_GE(position, 0);
      ASSERT_LT(position, static_cast<int>(values.Entries.size()));
      // The initial choice is the preset's default, stored both ways.
      EXPECT_EQ(store.ReadChoiceIndex(code, std::string("i") + key, -1), position);
      EXPECT_EQ(store.ReadChoice(code, std::string("para") + key, "missing"),
                StoredValue(list, values.Entries[position]));
    }
    EXPECT_GE(ZoomPosition(store.ReadChoice(code, "paraZoom", "")), 0);
    if (video) {
      EXPECT_FALSE(store.ReadChoice(code, "paraVideoEncoder", "").empty());
    }
    // Every H.264 format states its own limits instead of the shared preset's.
    const std::string chosen = store.ReadChoice(code, "paraVideoEncoder", "");
    const TValueList encoders = store.PresetList(code, TPresetList::VideoEncoder);
    if (std::count(encoders.Entries.begin(), encoders.Entries.end(), "h264")) {
      for (const char* extra : {"paraLevel", "paraMaxBitrate", "paraBufferSize"}) {
        const std::string value = store.PresetValue(code, extra, "");
        EXPECT_TRUE(IsWholeNumber(value) && WholeNumberValue(value) > 0) << extra;
        if (chosen == "libx264") {
          EXPECT_EQ(store.ReadChoice(code, extra, ""), value) << extra;
        }
      }
    }
  }
  // No section for a code the catalogue cannot show.
  std::set<std::string> shown;
  for (const auto& format : formats) shown.insert(FormatSection(format.Code));
  const std::regex header(R"(^\[(formatInfo\d+)\])");
  for (const std::string& file : {test::ShippedFormatFile(), test::ShippedDefaultSettingsFile()}) {
    std::istringstream lines(test::ReadFileBytes(file));
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
      if (std::regex_search(line, match, header)) {
        EXPECT_EQ(shown.count(match[1]), 1u) << line;
      }
    }
  }
}

// The codec that a stored encoder name produces, as the engine resolves it; for the names that
// leave the choice to the container, that container's own codec.
const AVCodec* ResolvedEncoder(const std::string& stored, const AVOutputFormat* muxer,
                               AVMediaType type) {
  static const std::set<std::string> containerOwn = {"3gp", "3g2", "mov", "flv", "swf"};
  if (containerOwn.count(stored)) {
    const AVCodecID id = type == AVMEDIA_TYPE_VIDEO ? muxer->video_codec : muxer->audio_codec;
    return avcodec_find_encoder(id);
  }
  return avcodec_find_encoder_by_name(engine::ResolveEncoderName(stored).Name.c_str());
}

TEST(FormatData, StoredEncodersResolveAndTheirContainersTakeThem) {
  const test::TempDir dir;
  const TFormatStore store = test::ShippedStore(dir.File("settings.ini"));
  for (const auto& format : ShippedFormats()) {
    SCOPED_TRACE(std::to_string(format.Code) + " " + format.Caption);
    const AVOutputFormat* muxer = test::ShippedMuxer(store, format.Code);
    ASSERT_NE(muxer, nullptr);
    const std::pair<TPresetList, AVMediaType> kinds[] = {
        {TPresetList::VideoEncoder, AVMEDIA_TYPE_VIDEO}, {TPresetList::AudioEncoder, AVMEDIA_TYPE_AUDIO}};
    for (const auto& [list, type] : kinds) {
      for (const auto& entry : store.PresetList(format.Code, list).Entries) {
        const std::string stored = StoredValue(list, entry);
        const AVCodec* codec = ResolvedEncoder(stored, muxer, type);
        ASSERT_NE(codec, nullptr) << stored;
        EXPECT_EQ(codec->type, type) << stored;
        // 0: the container cannot carry it; negative: the container does not say.
        EXPECT_NE(avformat_query_codec(muxer, codec->id, FF_COMPLIANCE_NORMAL), 0)
            << stored << " in " << muxer->name;
      }
    }
  }
}

}  // namespace
}  // namespace zanto::formats
