#pragma once
// The format store: the read-only preset file (one section per format code with the value lists
// the panels offer) and the user's per-format choices, current format and catalogue collapse
// state in the settings file. Every call is one INI access by file name; nothing is cached, so a
// value written by one window is what the next reader sees.
#include <string>
#include <vector>

#include "platform/IniFile.h"

namespace zanto::formats {

// "formatInfo" + the code in decimal: the section of a format in both files.
std::string FormatSection(int code);

// The nine lists of a preset, each stored under its key name with an i key for its default.
enum class TPresetList {
  VideoSize,
  VideoBitRate,
  FrameRate,
  VideoEncoder,
  AudioBitRate,
  SampleRate,
  AudioEncoder,
  Channel,
  Volume,
};
inline constexpr TPresetList kAllPresetLists[] = {
    TPresetList::VideoSize,    TPresetList::VideoBitRate, TPresetList::FrameRate,
    TPresetList::VideoEncoder, TPresetList::AudioBitRate, TPresetList::SampleRate,
    TPresetList::AudioEncoder, TPresetList::Channel,      TPresetList::Volume};

// "VideoSize", "VideoBitRate", ...: the key of the list; "i" + it is the key of its position.
const char* PresetListKey(TPresetList list);

// A split value list. NoList: the setting has no list at all (its control is emptied and
// disabled); otherwise Entries holds the pieces exactly as written, empty ones included.
struct TValueList {
  bool NoList = true;
  std::vector<std::string> Entries;
};

// Splits at every comma without trimming; "null" is no list. For the lists whose empty text also
// means no list (encoders, audio bit rate, sample rate, channel, volume) pass emptyIsNoList.
TValueList SplitValueList(const std::string& text, bool emptyIsNoList);

class TFormatStore {
 public:
  TFormatStore(std::string settingsFileName, std::string formatFileName);

  const std::string& SettingsFileName() const { return Settings_.FileName(); }
  const std::string& FormatFileName() const { return Formats_.FileName(); }

  // --- the preset file ---
  // A raw preset key of the format's section.
  std::string PresetValue(int code, const std::string& key, const std::string& defaultValue) const;
  // The container or disc-target keyword; "null" when missing.
  std::string Format(int code) const;
  // The extension of new output files, without the dot; "mp4" when missing.
  std::string FileExt(int code) const;
  TValueList PresetList(int code, TPresetList list) const;
  // The preset's default position of a list, 0 when missing.
  int PresetDefault(int code, TPresetList list) const;

  // --- the user's choice (settings file, section of the format) ---
  int ReadChoiceIndex(int code, const std::string& key, int defaultValue = 0) const;
  std::string ReadChoice(int code, const std::string& key, const std::string& defaultValue) const;
  void WriteChoiceIndex(int code, const std::string& key, int position);
  void WriteChoice(int code, const std::string& key, const std::string& value);

  // Stores the value behind a display entry through the tables of ChoiceTables.h. An entry the
  // table does not know leaves the stored value as it was; the result says whether one was
  // written. Choosing "h264" also copies the preset's H.264 extra values.
  bool StoreVideoEncoder(int code, const std::string& displayName);
  bool StoreAudioEncoder(int code, const std::string& displayName);
  bool StoreChannel(int code, const std::string& displayValue);
  bool StoreVolume(int code, const std::string& displayValue);
  bool StoreZoom(int code, int position);
  // Copies paraBitExact, paraMaxBitrate, paraBufferSize, paraLevel, paraQscale, paraGop and
  // paraCoder from the preset into the choice when present and valid.
  void CopyH264ExtraValues(int code);

  // --- current format and collapse state ---
  int CurrentFormatCode(int defaultValue) const;
  std::string CurrentFormatName(const std::string& defaultValue) const;
  void SetCurrentFormat(int code, const std::string& name);
  // A category without a stored state is collapsed.
  bool IsCollapsed(int category) const;
  void SetCollapsed(int category, bool collapsed);

 private:
  platform::TIniFile Settings_;
  platform::TIniFile Formats_;
};

}  // namespace zanto::formats
