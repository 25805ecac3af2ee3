#pragma once
// The pieces of the probe's descriptive text: metadata blocks, stream lines and rate items.
// Kept apart from the probe so each rule can be checked on its own.
#include <cstdint>
#include <string>
#include <vector>

#include "media/FFmpeg.h"

namespace zanto::media {

// The readable name of an ID3v2 frame identifier ("TIT2" -> "title", "TP1" -> "artist"); any
// other key is returned unchanged.
std::string Id3v2KeyName(const std::string& key);

// Appends "<indent>Metadata:" and one "<indent>  <key padded to 16>: <value>" line per entry, in
// stored order, leaving out "language". Nothing is appended when the dictionary is empty or
// holds only "language".
void AppendMetadataBlock(std::vector<std::string>& lines, const AVDictionary* metadata,
                         const std::string& indent);

// ", 25 fps", ", 29.97 fps", ", 90k tbn": two decimals unless the value is whole, thousands
// with a "k" when it is a whole multiple of 1000.
std::string RateItemText(double value, const std::string& unit);

// Microseconds as seconds with six decimals: "1.400000", "-0.023220".
std::string SecondsText(int64_t us);

// Appends the line describing stream `index` of the context, then its metadata block.
void AppendStreamLines(std::vector<std::string>& lines, const AVFormatContext* context,
                       int index);

// Seconds since 1970 in local time as "yyyy-mm-dd hh:nn:ss".
std::string LocalTimeText(int64_t secondsSinceEpoch);

}  // namespace zanto::media
