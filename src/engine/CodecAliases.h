#pragma once
// Codec names that presets and settings files still carry but this FFmpeg no longer has
// ("libfaac", "libxvid", "wmv3" ...) resolve here to the encoder that does the same job today.
// This table is the only place in the program that knows such names.
#include <cstdint>
#include <string>

namespace zanto::engine {

struct TEncoderName {
  std::string Name;          // the encoder to look up (the requested name when no alias applies)
  uint32_t CodecTag = 0;     // a tag to force on the stream (XVID for libxvid -> mpeg4), 0 = none
  bool Substituted = false;  // Name differs from the requested name (log it once per task)
};

// The requested name when this FFmpeg has that encoder or the table knows no replacement;
// otherwise the replacement. An empty name stays empty.
TEncoderName ResolveEncoderName(const std::string& requested);

}  // namespace zanto::engine
