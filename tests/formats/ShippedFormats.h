#pragma once
// The shipped format data as the tests see it: every format code the catalogue shows, with its
// caption, read through the store over the files in data/.
#include <string>
#include <vector>

#include "formats/FormatStore.h"

struct AVOutputFormat;

namespace zanto::test {

struct TShippedFormat {
  int Code = 0;
  std::string Caption;
  std::string CaptionExt;  // "mp4" of "... (*.mp4)"
};

// Every row of the merged catalogue, in code order.
std::vector<TShippedFormat> ShippedFormats();
// The store over data/zantowmvmp4format.ini and the given settings file.
formats::TFormatStore ShippedStore(const std::string& settingsFile);
std::string ShippedFormatFile();
std::string ShippedDefaultSettingsFile();

// The container a format's output goes into, as the engine picks it: the Format keyword when
// the builder passes it on, the disc target's muxer, else the extension.
const AVOutputFormat* ShippedMuxer(const formats::TFormatStore& store, int code);

}  // namespace zanto::test
