#include "formats/H264Extras.h"

#include <algorithm>
#include <cctype>

#include "formats/NumberText.h"

namespace zanto::formats {
namespace {

std::string Extra(const TFormatStore& store, int code, const std::string& key) {
  const std::string chosen = store.ReadChoice(code, key, "");
  return chosen.empty() ? store.PresetValue(code, key, "") : chosen;
}

// The whole-number value of an extra, or -1 when it is missing or below minimum.
long long Number(const std::string& text, int minimum) {
  if (!IsWholeNumber(text)) return -1;
  const int value = WholeNumberValue(text);
  return value >= minimum ? value : -1;
}

void AddLine(std::string& text, const std::string& line) {
  if (!text.empty()) text += "\n";
  text += line;
}

int ClampToInt(long long value) {
  return static_cast<int>(std::min<long long>(value, 2147483647LL));
}

}  // namespace

void ApplyH264Extras(const TFormatStore& store, int code, engine::TOutputOptions& out) {
  if (const auto level = Number(Extra(store, code, "paraLevel"), 1); level > 0)
    AddLine(out.ExtOptions, "level=" + std::to_string(level));
  if (const auto coder = Number(Extra(store, code, "paraCoder"), 0); coder >= 0)
    AddLine(out.ExtOptions, "coder=" + std::to_string(coder));
  if (const auto qscale = Number(Extra(store, code, "paraQscale"), 1); qscale > 0)
    AddLine(out.ExtOptions, "qscale=" + std::to_string(qscale));
  std::string bitExact = Extra(store, code, "paraBitExact");
  std::transform(bitExact.begin(), bitExact.end(), bitExact.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (bitExact == "true") AddLine(out.ExtOptions, "flags=+bitexact");
  if (const auto maxRate = Number(Extra(store, code, "paraMaxBitrate"), 1); maxRate > 0)
    out.VideoMaxRate = ClampToInt(maxRate * 1000);
  if (const auto bufferSize = Number(Extra(store, code, "paraBufferSize"), 1); bufferSize > 0)
    out.VideoBufSize = ClampToInt(bufferSize * 1000);
  if (const auto gop = Number(Extra(store, code, "paraGop"), 1); gop > 0)
    out.GroupOfPictures = static_cast<int>(gop);
}

}  // namespace zanto::formats
