#pragma once
// The command line of zanto-convert, parsed into plain values.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zanto::cli {

struct TCliOptions {
  std::vector<std::string> Files;
  std::optional<int> FormatCode;
  std::optional<std::string> OutputDir;
  std::optional<int64_t> TrimStartUs;
  std::optional<int64_t> TrimEndUs;
  bool HasCrop = false;
  int CropTop = 0, CropBottom = 0, CropLeft = 0, CropRight = 0;
  std::optional<std::string> Zoom;
  std::optional<std::string> SettingsFile;
  bool ListFormats = false;
  bool Help = false;
};

// Raises std::invalid_argument with a message for the user on a bad command line.
TCliOptions ParseCommandLine(const std::vector<std::string>& args);

// "12", "12.5", "01:02:03", "1:02:03.250", "02:03" -> microseconds; nullopt when malformed.
std::optional<int64_t> ParseTimeUs(const std::string& text);

std::string UsageText();

}  // namespace zanto::cli
