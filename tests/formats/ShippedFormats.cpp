#include "ShippedFormats.h"

#include <algorithm>
#include <cctype>
#include <regex>

#include "formats/Catalogue.h"
#include "media/FFmpeg.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace zanto::test {

std::string ShippedFormatFile() { return DataDir() + "/zantowmvmp4format.ini"; }
std::string ShippedDefaultSettingsFile() {
  return DataDir() + "/zantowmvmp4converter.default.ini";
}

formats::TFormatStore ShippedStore(const std::string& settingsFile) {
  return formats::TFormatStore(settingsFile, ShippedFormatFile());
}

std::vector<TShippedFormat> ShippedFormats() {
  TempDir dir;
  formats::TFormatStore store(dir.File("empty.ini"), ShippedFormatFile());
  formats::TFormatCatalogue catalogue(store);
  catalogue.BuildCatalogue();
  static const std::regex ext(R"(\(\*\.(\w+)\)$)");
  std::vector<TShippedFormat> result;
  for (int category = 0; category < formats::TFormatCatalogue::kMaxIndex; ++category) {
    for (int row = 0; row < formats::TFormatCatalogue::kMaxIndex; ++row) {
      const std::string& caption = catalogue.FormatCaption(category, row);
      if (caption.empty()) continue;
      std::smatch match;
      std::regex_search(caption, match, ext);
      result.push_back({category * 100 + row, caption, match.size() > 1 ? match[1].str() : ""});
    }
  }
  return result;
}

const AVOutputFormat* ShippedMuxer(const formats::TFormatStore& store, int code) {
  std::string format = store.Format(code);
  std::transform(format.begin(), format.end(), format.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::string file = "out." + store.FileExt(code);
  static const char* const containers[] = {"ipod", "3gp", "3g2",    "avi", "psp",
                                           "mov",  "vcd", "flv", "mpegts", "vob"};
  for (const char* name : containers)
    if (format == name) return av_guess_format(name, nullptr, nullptr);
  if (format.find("-dvd") != std::string::npos) return av_guess_format("dvd", nullptr, nullptr);
  if (format.find("-svcd") != std::string::npos) return av_guess_format("svcd", nullptr, nullptr);
  if (format.find("-vcd") != std::string::npos) return av_guess_format("vcd", nullptr, nullptr);
  return av_guess_format(nullptr, file.c_str(), nullptr);
}

}  // namespace zanto::test
