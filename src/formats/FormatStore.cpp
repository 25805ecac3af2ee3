#include "formats/FormatStore.h"

#include <algorithm>
#include <cctype>

#include "formats/ChoiceTables.h"
#include "formats/NumberText.h"

namespace zanto::formats {
namespace {

constexpr const char* kSettingsSection = "settings";
constexpr const char* kCollapseSection = "lstformat";

// The H.264 extra values and whether 0 is a valid value for them.
constexpr struct {
  const char* Key;
  bool ZeroAllowed;
} kH264ExtraValues[] = {{"paraMaxBitrate", false}, {"paraBufferSize", false},
                        {"paraLevel", false},      {"paraQscale", false},
                        {"paraGop", false},        {"paraCoder", true}};

bool EmptyMeansNoList(TPresetList list) {
  switch (list) {
    case TPresetList::VideoSize:
    case TPresetList::VideoBitRate:
    case TPresetList::FrameRate:
      return false;
    default:
      return true;
  }
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

std::string FormatSection(int code) { return "formatInfo" + std::to_string(code); }

const char* PresetListKey(TPresetList list) {
  switch (list) {
    case TPresetList::VideoSize: return "VideoSize";
    case TPresetList::VideoBitRate: return "VideoBitRate";
    case TPresetList::FrameRate: return "FrameRate";
    case TPresetList::VideoEncoder: return "VideoEncoder";
    case TPresetList::AudioBitRate: return "AudioBitRate";
    case TPresetList::SampleRate: return "SampleRate";
    case TPresetList::AudioEncoder: return "AudioEncoder";
    case TPresetList::Channel: return "Channel";
    case TPresetList::Volume: return "Volume";
  }
  return "";
}

TValueList SplitValueList(const std::string& text, bool emptyIsNoList) {
  TValueList result;
  if (text == "null" || (emptyIsNoList && text.empty())) return result;
  result.NoList = false;
  std::string entry;
  for (char c : text) {
    if (c == ',') {
      result.Entries.push_back(entry);
      entry.clear();
    } else {
      entry += c;
    }
  }
  // Also when empty: a trailing comma gives an empty last entry. An empty text gives none.
  if (!text.empty()) result.Entries.push_back(entry);
  return result;
}

TFormatStore::TFormatStore(std::string settingsFileName, std::string formatFileName)
    : Settings_(std::move(settingsFileName)), Formats_(std::move(formatFileName)) {}

std::string TFormatStore::PresetValue(int code, const std::string& key,
                                      const std::string& defaultValue) const {
  return Formats_.ReadString(FormatSection(code), key, defaultValue);
}

std::string TFormatStore::Format(int code) const { return PresetValue(code, "Format", "null"); }

std::string TFormatStore::FileExt(int code) const { return PresetValue(code, "FileExt", "mp4"); }

TValueList TFormatStore::PresetList(int code, TPresetList list) const {
  return SplitValueList(PresetValue(code, PresetListKey(list), "null"), EmptyMeansNoList(list));
}

int TFormatStore::PresetDefault(int code, TPresetList list) const {
  return Formats_.ReadInteger(FormatSection(code), std::string("i") + PresetListKey(list), 0);
}

int TFormatStore::ReadChoiceIndex(int code, const std::string& key, int defaultValue) const {
  return Settings_.ReadInteger(FormatSection(code), key, defaultValue);
}

std::string TFormatStore::ReadChoice(int code, const std::string& key,
                                     const std::string& defaultValue) const {
  return Settings_.ReadString(FormatSection(code), key, defaultValue);
}

void TFormatStore::WriteChoiceIndex(int code, const std::string& key, int position) {
  Settings_.WriteInteger(FormatSection(code), key, position);
}

void TFormatStore::WriteChoice(int code, const std::string& key, const std::string& value) {
  Settings_.WriteString(FormatSection(code), key, value);
}

bool TFormatStore::StoreVideoEncoder(int code, const std::string& displayName) {
  const auto name = VideoEncoderName(displayName);
  if (!name) return false;
  WriteChoice(code, "paraVideoEncoder", *name);
  if (*name == "libx264") CopyH264ExtraValues(code);
  return true;
}

bool TFormatStore::StoreAudioEncoder(int code, const std::string& displayName) {
  const auto name = AudioEncoderName(displayName);
  if (!name) return false;
  WriteChoice(code, "paraAudioEncoder", *name);
  return true;
}

bool TFormatStore::StoreChannel(int code, const std::string& displayValue) {
  const auto value = ChannelValue(displayValue);
  if (!value) return false;
  WriteChoice(code, "paraChannel", *value);
  return true;
}

bool TFormatStore::StoreVolume(int code, const std::string& displayValue) {
  const auto value = VolumeValue(displayValue);
  if (!value) return false;
  WriteChoice(code, "paraVolume", *value);
  return true;
}

bool TFormatStore::StoreZoom(int code, int position) {
  const auto zoom = ZoomName(position);
  if (!zoom) return false;
  WriteChoice(code, "paraZoom", *zoom);
  return true;
}

void TFormatStore::CopyH264ExtraValues(int code) {
  const std::string bitExact = PresetValue(code, "paraBitExact", "");
  if (Lower(bitExact) == "true") WriteChoice(code, "paraBitExact", bitExact);
  for (const auto& extra : kH264ExtraValues) {
    const std::string value = PresetValue(code, extra.Key, "");
    if (!IsWholeNumber(value)) continue;
    const int number = WholeNumberValue(value);
    if (number > 0 || (extra.ZeroAllowed && number == 0)) WriteChoice(code, extra.Key, value);
  }
}

int TFormatStore::CurrentFormatCode(int defaultValue) const {
  return Settings_.ReadInteger(kSettingsSection, "FormatCode", defaultValue);
}

std::string TFormatStore::CurrentFormatName(const std::string& defaultValue) const {
  return Settings_.ReadString(kSettingsSection, "FormatName", defaultValue);
}

void TFormatStore::SetCurrentFormat(int code, const std::string& name) {
  Settings_.WriteString(kSettingsSection, "FormatName", name);
  Settings_.WriteString(kSettingsSection, "FormatCode", std::to_string(code));
}

bool TFormatStore::IsCollapsed(int category) const {
  return Settings_.ReadInteger(kCollapseSection, std::to_string(category), 1) != 0;
}

void TFormatStore::SetCollapsed(int category, bool collapsed) {
  Settings_.WriteString(kCollapseSection, std::to_string(category), collapsed ? "1" : "0");
}

}  // namespace zanto::formats
