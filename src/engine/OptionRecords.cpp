// The caller's option records and option text, turned into dispatcher calls in their order.
#include <cmath>
#include <ctime>
#include <map>

#include "engine/OptionParser.h"
#include "engine/OptionText.h"
#include "engine/OptionValues.h"

namespace zanto::engine {

namespace {

// The stream-group list of one output: the def_* values plus every codec, preset, size and
// filter line of ExtOptions, consumed in order by the streams that "newaudio", "newvideo" and
// "newsubtitle" add.
class TStreamGroupList {
 public:
  TStreamGroupList(const TOutputOptions& options, const std::vector<TOptionLine>& lines) {
    Defaults_ = {{"acodec", options.AudioCodec}, {"vcodec", options.VideoCodec},
                 {"scodec", options.SubtitleCodec}, {"apre", options.AudioPreset},
                 {"vpre", options.VideoPreset},   {"spre", options.SubtitlePreset},
                 {"s", options.FrameSize},         {"vf", options.VideoFilters}};
    for (const TOptionLine& line : lines) {
      if (line.Value.empty() || !IsGroupedName(line.Name)) continue;
      const std::string name = line.Name == "vfilters" ? "vf" : line.Name;
      if (Defaults_[name].empty()) Defaults_[name] = line.Value;
      Entries_.push_back({name, line.Value});
    }
  }

  const std::string& Default(const std::string& name) { return Defaults_[name]; }

  // The first entry of that name not yet taken (removed), else the def_ value.
  std::string Take(const std::string& name) {
    for (auto it = Entries_.begin(); it != Entries_.end(); ++it) {
      if (it->Name != name) continue;
      std::string value = it->Value;
      Entries_.erase(it);
      return value;
    }
    return Defaults_[name];
  }

 private:
  static bool IsGroupedName(const std::string& name) {
    for (const char* n : {"acodec", "vcodec", "scodec", "apre", "vpre", "spre", "s", "vfilters", "vf"})
      if (name == n) return true;
    return false;
  }

  std::map<std::string, std::string> Defaults_;
  std::vector<TOptionLine> Entries_;
};

// One grouped setting: codecs and sizes through the dispatcher, presets through ApplyPreset.
// An empty value means "nothing given" and changes nothing.
void ApplyGrouped(TOptionState& state, IOptionActions& actions, const std::string& name, const std::string& value) {
  if (value.empty()) return;
  if (name == "apre" || name == "vpre" || name == "spre")
    ApplyPreset(state, actions, name, value);
  else
    SetOption(state, actions, name, value);
}

// Local date-time (days since 1899-12-30) to seconds since 1970 UTC, by the zone's standard
// offset (daylight saving not applied); 0 means now.
int64_t RecordingTimestampOf(double localDateTime) {
  if (localDateTime == 0) return static_cast<int64_t>(std::time(nullptr));
  tzset();
  const double localSeconds = (localDateTime - 25569.0) * 86400.0;
  return std::llround(localSeconds) + timezone;
}

void ApplyMetadata(TOptionState& state, const TStreamInfo& info) {
  if (info.TimeStamp >= 0) state.RecordingTimestampS = RecordingTimestampOf(info.TimeStamp);
  if (info.Year > 0) state.Metadata.emplace_back("year", std::to_string(info.Year));
  if (info.Track > 0) state.Metadata.emplace_back("track", std::to_string(info.Track));
  const std::pair<const char*, const std::string*> texts[] = {
      {"title", &info.Title},     {"author", &info.Author}, {"copyright", &info.Copyright},
      {"comment", &info.Comment}, {"album", &info.Album},   {"genre", &info.Genre}};
  for (const auto& [key, value] : texts)
    if (!value->empty()) state.Metadata.emplace_back(key, *value);
}

// The record's fields other than codecs, presets, frame size and filters, in the record's order.
void ApplyOutputFields(TOptionState& state, IOptionActions& actions, const TOutputOptions& o) {
  const auto set = [&](const char* name, const std::string& value) { SetOption(state, actions, name, value); };
  const auto setPositive = [&](const char* name, int value) {
    if (value > 0) set(name, std::to_string(value));
  };
  const auto setText = [&](const char* name, const std::string& value) {
    if (!value.empty()) set(name, value);
  };

  setText("f", o.FileFormat);
  setPositive("packetsize", o.PacketSize);
  setPositive("muxrate", o.MuxRate);
  if (o.MuxDelay > 0) state.MuxMaxDelayS = o.MuxDelay;
  if (o.MuxPreload > 0) state.MuxPreloadS = o.MuxPreload;
  if (o.DisableAudio) set("an", "1");
  if (o.AudioVolume >= 0) set("vol", std::to_string(o.AudioVolume));
  setPositive("ac", o.AudioChannels);
  setPositive("ar", o.AudioSampleRate);
  setPositive("ab", o.AudioBitrate);
  setPositive("abt", o.AudioBitrateTolerance);
  setText("alang", o.AudioLanguage);
  set("async", std::to_string(o.AudioSync));
  setText("atag", o.AudioTag);
  if (o.DisableVideo) set("vn", "1");
  setText("r", o.FrameRate);
  setText("aspect", o.FrameAspectRatio);
  setPositive("croptop", o.CropTop);
  setPositive("cropbottom", o.CropBottom);
  setPositive("cropleft", o.CropLeft);
  setPositive("cropright", o.CropRight);
  setPositive("g", o.GroupOfPictures);
  setPositive("vb", o.VideoBitrate);
  setPositive("maxrate", o.VideoMaxRate);
  setPositive("minrate", o.VideoMinRate);
  setPositive("bt", o.VideoBitrateTolerance);
  setPositive("bufsize", o.VideoBufSize);
  set("vsync", std::to_string(o.VideoSync));
  setText("vtag", o.VideoTag);
  setText("vlang", o.VideoLanguage);
  if (o.DisableSubtitle) set("sn", "1");
  setText("slang", o.SubtitleLanguage);
  set("isync", o.InputSync ? "1" : "0");
  if (o.CopyTimestamps) set("copyts", "1");
  if (o.StartTime != kNoTime) state.StartTimeUs = o.StartTime;
  if (o.RecordingTime != kNoTime) {
    state.RecordingTimeUs = o.RecordingTime;
    actions.SetTotalDuration(o.RecordingTime);
  }
  ApplyMetadata(state, o.Metadata);
}

}  // namespace

void ApplyOptionText(TOptionState& state, IOptionActions& actions, const std::string& text, bool asInput) {
  for (const TOptionLine& line : ParseOptionText(text)) {
    if (asInput ? AppliesAsInputOption(line.Name) : AppliesAsOutputOption(line.Name))
      SetOption(state, actions, line.Name, line.Value);
  }
}

void ApplyInputOptions(TOptionState& state, IOptionActions& actions, const TInputOptions& options) {
  ApplyOptionText(state, actions, options.ExtOptions, true);
  if (!options.FileFormat.empty()) SetOption(state, actions, "f", options.FileFormat);
  if (options.StartTime != kNoTime) state.StartTimeUs = options.StartTime;
  if (options.ProgramID >= 0) SetOption(state, actions, "programid", std::to_string(options.ProgramID));
}

bool ApplyOutputOptions(TOptionState& state, IOptionActions& actions, const std::string& fileName,
                        const TOutputOptions* options) {
  if (!options) return actions.OpenOutputFile(fileName, false);

  const std::vector<TOptionLine> lines = ParseOptionText(options->ExtOptions);
  TStreamGroupList groups(*options, lines);

  static const char* const kTargets[] = {"", "vcd", "svcd", "dvd"};
  if (options->TargetType >= 1 && options->TargetType <= 3) {
    const char* norm = options->TargetNorm == 1 ? "pal" : options->TargetNorm == 2 ? "ntsc" : "auto";
    ApplyTarget(state, actions, kTargets[options->TargetType], norm,
                options->TargetDefaultNorm == 1 ? "pal" : "ntsc");
  }

  for (const char* name : {"acodec", "vcodec", "scodec", "apre", "vpre", "spre"})
    ApplyGrouped(state, actions, name, groups.Default(name));
  ApplyOptionText(state, actions, options->ExtOptions, false);
  ApplyOutputFields(state, actions, *options);
  ApplyGrouped(state, actions, "s", groups.Default("s"));
  ApplyGrouped(state, actions, "vf", groups.Default("vf"));

  if (!actions.OpenOutputFile(fileName, options->Join)) return false;

  // Every further stream takes the next unused entry of each name of its group.
  for (const TOptionLine& line : lines) {
    std::vector<const char*> group;
    if (line.Name == "newaudio") group = {"acodec", "apre"};
    else if (line.Name == "newvideo") group = {"vcodec", "vpre", "s", "vf"};
    else if (line.Name == "newsubtitle") group = {"scodec", "spre"};
    else continue;
    for (const char* name : group) ApplyGrouped(state, actions, name, groups.Take(name));
    SetOption(state, actions, line.Name, line.Value);
  }
  return true;
}

}  // namespace zanto::engine
