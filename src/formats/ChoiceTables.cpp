#include "formats/ChoiceTables.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "formats/NumberText.h"

namespace zanto::formats {
namespace {

struct TNamePair {
  const char* Display;
  const char* Stored;
};

// Most video encoders are offered under their own engine name; the containers' names ("3gp",
// "mov", ...) are stored as they are and the builder then leaves the codec to the container.
constexpr TNamePair kVideoEncoders[] = {
    {"mpeg-4", "mpeg4"},       {"xvid", "libxvid"},       {"h264", "libx264"},
    {"3gp", "3gp"},            {"3g2", "3g2"},            {"mov", "mov"},
    {"flv", "flv"},            {"swf", "swf"},            {"wmv1", "wmv1"},
    {"wmv2", "wmv2"},          {"wmv3", "wmv3"},          {"msmpeg4", "msmpeg4"},
    {"msmpeg4v1", "msmpeg4v1"}, {"msmpeg4v2", "msmpeg4v2"}, {"mpeg1video", "mpeg1video"},
    {"mpeg2video", "mpeg2video"}, {"h263", "h263"},        {"h263p", "h263p"},
    {"rawvideo", "rawvideo"},  {"rv10", "rv10"},          {"rv20", "rv20"},
    {"dvvideo", "dvvideo"},    {"huffyuv", "huffyuv"},    {"ljpeg", "ljpeg"},
    {"mjpeg", "mjpeg"},        {"svq1", "svq1"},          {"zlib", "zlib"},
};

// "pcm_mulaw " carries its trailing blank as the table has always had it; the name without the
// blank is not in the table.
constexpr TNamePair kAudioEncoders[] = {
    {"mp3", "libmp3lame"},     {"ogg", "vorbis"},         {"mp2", "mp2"},
    {"aac", "libfaac"},        {"ac-3", "ac3"},           {"flac", "libflac"},
    {"amr_nb", "libopencore_amrnb"}, {"pcm_s16", "pcm_s16le"}, {"pcm_u16", "pcm_u16le"},
    {"pcm_alaw", "pcm_alaw"},  {"pcm_mulaw ", "pcm_mulaw"}, {"adpcm_ms", "adpcm_ms"},
    {"adpcm_ima_wav", "adpcm_ima_wav"}, {"wma1", "wmav1"}, {"wma2", "wmav2"},
};

constexpr struct {
  int Percent;
  const char* Stored;
} kVolumes[] = {{25, "64"},   {50, "128"},  {75, "192"},  {100, "256"},
                {125, "320"}, {150, "384"}, {175, "448"}, {200, "512"},
                {250, "640"}, {300, "768"}, {350, "896"}, {400, "1024"}};

constexpr const char* kZoomNames[] = {"full", "lbox", "pan", "center"};

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

template <size_t N>
std::optional<std::string> Lookup(const TNamePair (&table)[N], const std::string& display) {
  for (const auto& pair : table)
    if (SameText(pair.Display, display)) return std::string(pair.Stored);
  return std::nullopt;
}

template <size_t N>
const char* const* DisplayNames(const TNamePair (&table)[N]) {
  static const auto names = [&table] {
    std::array<const char*, N + 1> result{};
    for (size_t i = 0; i < N; ++i) result[i] = table[i].Display;
    return result;
  }();
  return names.data();
}

}  // namespace

std::optional<std::string> VideoEncoderName(const std::string& displayName) {
  return Lookup(kVideoEncoders, displayName);
}

std::optional<std::string> AudioEncoderName(const std::string& displayName) {
  return Lookup(kAudioEncoders, displayName);
}

std::optional<std::string> ChannelValue(const std::string& displayValue) {
  if (displayValue == "as source") return std::string("as source");
  if (displayValue == "mono 1 channel") return std::string("1");
  if (displayValue == "stereo 2 channels") return std::string("2");
  return std::nullopt;
}

std::optional<std::string> VolumeValue(const std::string& displayValue) {
  if (displayValue.empty()) return std::nullopt;
  const std::string number = displayValue.substr(0, displayValue.size() - 1);
  if (!IsWholeNumber(number)) return std::nullopt;
  const int percent = WholeNumberValue(number);
  for (const auto& v : kVolumes)
    if (v.Percent == percent) return std::string(v.Stored);
  return std::nullopt;
}

std::optional<std::string> ZoomName(int position) {
  if (position < 0 || position > 3) return std::nullopt;
  return std::string(kZoomNames[position]);
}

int ZoomPosition(const std::string& zoom) {
  for (int i = 0; i < 4; ++i)
    if (zoom == kZoomNames[i]) return i;
  return -1;
}

const char* const* KnownVideoEncoderDisplayNames() { return DisplayNames(kVideoEncoders); }
const char* const* KnownAudioEncoderDisplayNames() { return DisplayNames(kAudioEncoders); }

}  // namespace zanto::formats
