#pragma once
// First start: the program ships its initial settings (one section per format with the user's
// starting choices) as a separate file and copies it to the settings path only when the user has
// no settings file yet, so an update never overwrites what the user chose.
#include <string>

namespace zanto::formats {

enum class TEnsureResult {
  Existing,  // a settings file was already there; left untouched
  Copied,    // the shipped defaults were copied
  NoDefault, // neither file exists; the program starts from built-in defaults
};

// Copies defaultFile to settingsFile when settingsFile does not exist (creating its folder).
// Raises std::runtime_error("Unable to write to <settingsFile>") when the copy fails.
TEnsureResult EnsureSettingsFile(const std::string& defaultFile, const std::string& settingsFile);

}  // namespace zanto::formats
