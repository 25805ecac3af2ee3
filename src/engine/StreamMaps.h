#pragma once
// The small option languages: stream maps, metadata maps, stream ids, timestamp scales and
// quantiser matrices. Each parser raises FFmpegException with the user's text on bad input.
#include <string>

#include "engine/OptionState.h"

namespace zanto::engine {

// "file.stream[:syncfile.syncstream]": integers (decimal, 0x hex, leading-0 octal) read as far as
// they go, one separator character skipped after each. Without the sync part the stream follows
// itself.
TStreamMap ParseStreamMap(const std::string& text);

// "outfile:infile".
TMetadataMap ParseMetadataMap(const std::string& text);

// "index:value" of "streamid"; index must address one of the kMaxStreams output streams.
std::pair<int, int> ParseStreamId(const std::string& optionName, const std::string& text);

// "stream:scale" of "itsscale"; the stream index must be below kMaxStreams, the scale positive.
std::pair<int, double> ParseTimestampScale(const std::string& text);

// 64 comma-separated integers.
TQuantMatrix ParseQuantMatrix(const std::string& text);

}  // namespace zanto::engine
