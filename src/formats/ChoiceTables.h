#pragma once
// How a display value of a preset list becomes the value stored in the settings file: encoder
// display names to engine encoder names, channel texts, volume percentages and zoom positions.
// A display value that no table knows yields nullopt, and the caller leaves the stored value as
// it was.
#include <optional>
#include <string>

namespace zanto::formats {

// "mpeg-4" -> "mpeg4", "h264" -> "libx264", ... compared without regard to case.
std::optional<std::string> VideoEncoderName(const std::string& displayName);
// "mp3" -> "libmp3lame", "aac" -> "libfaac", "pcm_mulaw " (with its blank) -> "pcm_mulaw", ...
std::optional<std::string> AudioEncoderName(const std::string& displayName);
// "as source", "mono 1 channel" -> "1", "stereo 2 channels" -> "2"; compared exactly.
std::optional<std::string> ChannelValue(const std::string& displayValue);
// "100%" -> "256", "25%" -> "64"; a percentage outside the table (225%) yields nullopt.
std::optional<std::string> VolumeValue(const std::string& displayValue);

// Zoom positions of the panel's list: 0 "full", 1 "lbox", 2 "pan", 3 "center".
std::optional<std::string> ZoomName(int position);
// The position of a zoom word, -1 for any other text.
int ZoomPosition(const std::string& zoom);

// Every display name the video and audio encoder tables know (for checking shipped data).
const char* const* KnownVideoEncoderDisplayNames();
const char* const* KnownAudioEncoderDisplayNames();

}  // namespace zanto::formats
