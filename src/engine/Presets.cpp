// Encoder presets: built-in rows (found with or without the codec prefix) and preset files.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/BuiltinPresets.h"
#include "engine/OptionParser.h"
#include "engine/OptionValues.h"

namespace zanto::engine {

namespace {

std::vector<std::string> PresetLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  for (char c : Trim(text)) {
    if (c == '\r' || c == '\n') {
      lines.push_back(Trim(current));
      current.clear();
    } else {
      current += c;
    }
  }
  lines.push_back(Trim(current));
  return lines;
}

}  // namespace

void ApplyPreset(TOptionState& state, IOptionActions& actions, const std::string& kind,
                 const std::string& presetName) {
  if (presetName.empty()) return;

  std::string text;
  const TOptionsPreset* row = nullptr;
  if (kind == "apre" || kind == "vpre" || kind == "spre") {
    row = FindBuiltinPreset(presetName);
    if (!row) {
      std::string codec;
      if (kind == "vpre" && !state.VideoCodecName.empty()) codec = state.VideoCodecName;
      else if (kind == "apre" && !state.AudioCodecName.empty()) codec = state.AudioCodecName;
      else if (!state.SubtitleCodecName.empty()) codec = state.SubtitleCodecName;
      if (!codec.empty()) row = FindBuiltinPreset(codec + "-" + presetName);
    }
  }
  if (row) {
    text = row->Options;
  } else {
    std::error_code error;
    std::ifstream file;
    // A folder of that name is no preset either.
    if (std::filesystem::is_regular_file(presetName, error)) file.open(presetName, std::ios::binary);
    if (!file.is_open()) throw FFmpegException::Format("Preset \"%s\" not found", presetName.c_str());
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
  }

  for (const std::string& line : PresetLines(text)) {
    if (line.empty()) continue;
    const size_t eq = line.find('=');
    const std::string name = eq == std::string::npos ? line : line.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    if (name.empty() || value.empty())
      throw FFmpegException::Format("%s: Invalid syntax: \"%s\"", presetName.c_str(), line.c_str());
    const std::string lower = LowerCase(name);
    if (lower == "acodec" || lower == "vcodec" || lower == "scodec") {
      SetOption(state, actions, lower, value);
      continue;
    }
    // Preset files of older builds may still use the encoder's former option names.
    std::istringstream translated(TranslatePresetText(line));
    std::string part;
    while (std::getline(translated, part)) {
      const size_t partEq = part.find('=');
      if (partEq == std::string::npos) continue;
      if (!SetGenericOption(state, part.substr(0, partEq), part.substr(partEq + 1)))
        throw FFmpegException::Format("%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"",
                                      presetName.c_str(), line.c_str(), name.c_str(), value.c_str());
    }
  }
}

}  // namespace zanto::engine
