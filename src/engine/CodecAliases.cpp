#include "engine/CodecAliases.h"

#include <array>

#include "media/FFmpeg.h"

namespace zanto::engine {

namespace {

struct TAlias {
  const char* Requested;
  const char* Replacement;
  uint32_t Tag;
  // Use the replacement even when the requested encoder exists: the built-in vorbis encoder is
  // experimental and stereo-only, so libvorbis is preferred wherever this FFmpeg has it.
  bool PreferReplacement;
};

constexpr uint32_t kXvidTag = MKTAG('X', 'V', 'I', 'D');

// Names from presets and settings files of older builds, and what does that job today. This
// FFmpeg has no AMR encoder; 3GP carries AAC just as well.
constexpr std::array<TAlias, 12> kAliases = {{
    {"libfaac", "aac", 0, false},
    {"libvo_aacenc", "aac", 0, false},
    {"libaacplus", "aac", 0, false},
    {"libflac", "flac", 0, false},
    {"vorbis", "libvorbis", 0, true},
    {"libxvid", "mpeg4", kXvidTag, false},
    {"wmv3", "wmv2", 0, false},
    {"msmpeg4v1", "msmpeg4v2", 0, false},
    {"libopencore_amrnb", "aac", 0, false},
    {"libamr_nb", "aac", 0, false},
    {"libamr_wb", "aac", 0, false},
    {"libvo_amrwbenc", "aac", 0, false},
}};

}  // namespace

TEncoderName ResolveEncoderName(const std::string& requested) {
  TEncoderName result{requested, 0, false};
  if (requested.empty()) return result;
  const bool present = avcodec_find_encoder_by_name(requested.c_str()) != nullptr;
  for (const TAlias& alias : kAliases) {
    if (requested != alias.Requested) continue;
    if (present && !alias.PreferReplacement) break;
    if (!avcodec_find_encoder_by_name(alias.Replacement)) break;
    result = {alias.Replacement, alias.Tag, true};
    break;
  }
  return result;
}

}  // namespace zanto::engine
