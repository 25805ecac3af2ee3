#pragma once
// The conversion option builder: turns the current format's preset and the user's choices, one
// file's edits and the probed source into the engine's options for one task. Runs on the main
// thread while the batch is set up; it keeps no state of its own.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "engine/Options.h"
#include "formats/FormatStore.h"

namespace zanto::formats {

// What the builder needs to know about the source, filled by the caller from the probe.
struct TSourceVideo {
  int VideoStreamCount = 0;
  int Width = -1;          // of the first video stream; -1 or 0 when unknown
  int Height = -1;
  int64_t BitRate = -1;    // bits per second, -1 when unknown
};

// The file's own edits from its row in the file list.
struct TRowEdits {
  std::string ZoomMode = "lbox";  // "full", "lbox", "pan" or "center"
  int CropTop = 0, CropLeft = 0, CropBottom = 0, CropRight = 0;  // source pixels
};

// A stored choice that cannot be converted (a volume that is no whole number); the batch does
// not start and the text is shown to the user.
class TOptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The question asked when the stored frame size cannot be read.
inline constexpr const char* kBadSizeQuestion =
    "Error output Video Size.Use the default size 320x240?";

// Fills output (freshly initialised, FileName set) and, for audio-only formats, input.ExtOptions.
// May ask kBadSizeQuestion through the message-box seam. Raises TOptionError.
void BuildConversionOptions(const TFormatStore& store, int code, const TRowEdits& row,
                            const TSourceVideo& source, engine::TOutputOptions& output,
                            engine::TInputOptions& input);

}  // namespace zanto::formats
