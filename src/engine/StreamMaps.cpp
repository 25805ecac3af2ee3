#include "engine/StreamMaps.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "engine/FFmpegException.h"
#include "engine/OptionValues.h"

namespace zanto::engine {

namespace {

// Skips the one separator character after a number, if any text is left.
void SkipSeparator(const std::string& text, size_t& pos) {
  if (pos < text.size()) ++pos;
}

FFmpegException StreamIndexOver() {
  return FFmpegException::Format("stream index over MAX_STREAMS(%d)", kMaxStreams);
}

}  // namespace

TStreamMap ParseStreamMap(const std::string& text) {
  TStreamMap map;
  size_t pos = 0;
  map.FileIndex = static_cast<int>(ReadLeadingInteger(text, pos));
  SkipSeparator(text, pos);
  map.StreamIndex = static_cast<int>(ReadLeadingInteger(text, pos));
  if (pos < text.size()) {
    SkipSeparator(text, pos);
    map.SyncFileIndex = static_cast<int>(ReadLeadingInteger(text, pos));
    SkipSeparator(text, pos);
    map.SyncStreamIndex = static_cast<int>(ReadLeadingInteger(text, pos));
  } else {
    map.SyncFileIndex = map.FileIndex;
    map.SyncStreamIndex = map.StreamIndex;
  }
  return map;
}

TMetadataMap ParseMetadataMap(const std::string& text) {
  TMetadataMap map;
  size_t pos = 0;
  map.OutFile = static_cast<int>(ReadLeadingInteger(text, pos));
  SkipSeparator(text, pos);
  map.InFile = static_cast<int>(ReadLeadingInteger(text, pos));
  return map;
}

std::pair<int, int> ParseStreamId(const std::string& optionName, const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size())
    throw FFmpegException::Format("Invalid value \"%s\" for option \"%s\", required syntax is \"index:value\"",
                                  text.c_str(), optionName.c_str());
  const int index = ParseInteger(text.substr(0, colon));
  const int value = ParseInteger(text.substr(colon + 1));
  // The state holds one id per possible output stream; another index addresses nothing.
  if (index < 0 || index >= kMaxStreams) throw StreamIndexOver();
  return {index, value};
}

std::pair<int, double> ParseTimestampScale(const std::string& text) {
  size_t pos = 0;
  const long stream = ReadLeadingInteger(text, pos);
  SkipSeparator(text, pos);
  if (stream < 0 || stream >= kMaxStreams) throw StreamIndexOver();
  // A scale of zero or below would collapse or reverse the stream's timestamps.
  const std::string scaleText = text.substr(std::min(pos, text.size()));
  double scale = 0.0;
  const char* first = scaleText.data();
  while (*first == ' ' || *first == '+') ++first;
  std::from_chars(first, scaleText.data() + scaleText.size(), scale);  // as far as it reads
  if (!(scale > 0.0) || !std::isfinite(scale))
    throw FFmpegException::Format("'%s' is not a valid floating point value", scaleText.c_str());
  return {static_cast<int>(stream), scale};
}

TQuantMatrix ParseQuantMatrix(const std::string& text) {
  TQuantMatrix matrix{};
  const char* p = text.c_str();
  for (int i = 0; i < 64; ++i) {
    char* end = nullptr;
    matrix[i] = static_cast<uint16_t>(std::strtol(p, &end, 10));
    p = end;
    if (i == 63) break;
    if (*p != ',')
      throw FFmpegException::Format("Syntax error in matrix \"%s\" at coeff %d", text.c_str(), i);
    ++p;
  }
  return matrix;
}

}  // namespace zanto::engine
