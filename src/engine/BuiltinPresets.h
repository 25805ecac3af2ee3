#pragma once
// The engine's built-in encoder presets: 40 rows of libx264 wrapper options, one "name=value"
// a line, written with the option names this FFmpeg's wrapper accepts.
#include <string>
#include <vector>

namespace zanto::engine {

struct TOptionsPreset {
  std::string Name;
  std::string Options;
};

// All rows, in search order.
const std::vector<TOptionsPreset>& BuiltinPresets();

// The row named name (case-insensitive), or nullptr.
const TOptionsPreset* FindBuiltinPreset(const std::string& name);

// Rewrites libx264 option lines of older builds into the names this FFmpeg's wrapper accepts:
// the flags2 words (wpred, dct8x8, bpyramid, mixed_refs, fastpskip ...) become the wrapper's own
// options (weightb, 8x8dct, b-pyramid, mixed-refs, fast-pskip), "directpred" becomes
// "direct-pred" and "+parti8x8+partp8x8" partitions become "i8x8,p8x8". Other lines stay.
std::string TranslatePresetText(const std::string& text);

}  // namespace zanto::engine
