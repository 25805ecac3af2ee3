#include "formats/OptionBuilder.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "formats/H264Extras.h"
#include "formats/NumberText.h"
#include "formats/VideoGeometry.h"

namespace zanto::formats {
namespace {

using engine::TOutputOptions;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsOneOf(const std::string& value, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* n) { return value == n; });
}

// Disc targets selected by the Format keyword.
void ApplyTarget(const std::string& format, const std::string& videoSize, TOutputOptions& out) {
  struct TTarget {
    const char* Keyword;
    int Type, Norm;
    const char* WideSize;  // the size stored for a 16:9 disc, or nullptr
  };
  static constexpr TTarget kTargets[] = {
      {"ntsc-dvd", 3, 2, "720x480"}, {"pal-dvd", 3, 1, "720x576"}, {"ntsc-vcd", 1, 2, nullptr},
      {"pal-vcd", 1, 1, nullptr},    {"ntsc-svcd", 2, 2, nullptr}, {"pal-svcd", 2, 1, nullptr}};
  for (const auto& target : kTargets) {
    if (format != target.Keyword) continue;
    out.TargetType = target.Type;
    out.TargetNorm = target.Norm;
    out.FrameAspectRatio = target.WideSize && videoSize == target.WideSize ? "16:9" : "4:3";
  }
}

// A missing volume leaves the sound as it is: reading it as a tiny gain would make every output
// of a hand-written or older settings section nearly silent.
constexpr const char* kUnchangedVolume = "256";

// Stored volume: anything but "256" (unchanged) is passed on and must be a whole number.
void ApplyVolume(const std::string& volume, TOutputOptions& out) {
  if (volume == kUnchangedVolume) return;
  if (!IsWholeNumber(volume)) throw TOptionError("'" + volume + "' is not a valid integer value");
  out.AudioVolume = WholeNumberValue(volume);
}

void ApplyPositiveWhole(const std::string& value, int& field) {
  if (value != "as source" && IsWholeNumber(value) && WholeNumberValue(value) > 0)
    field = WholeNumberValue(value);
}

// A whole or decimal number ("$10" is whole but no decimal).
bool IsNumber(const std::string& text) { return IsWholeNumber(text) || IsDecimalNumber(text); }
double NumberValue(const std::string& text) {
  return IsWholeNumber(text) ? WholeNumberValue(text) : DecimalNumberValue(text);
}

void ApplyAudioBitRate(const std::string& value, TOutputOptions& out) {
  if (value == "as source" || !IsNumber(value)) return;
  const double bits = NumberValue(value) * 1000;
  if (bits > 0 && bits < 2147483648.0) out.AudioBitrate = static_cast<int>(std::trunc(bits));
}

std::string AudioEncoder(const TFormatStore& store, int code, const std::string& defaultValue) {
  const std::string encoder = store.ReadChoice(code, "paraAudioEncoder", defaultValue);
  return encoder == "libamr_nb" ? "libopencore_amrnb" : encoder;
}

void BuildAudioOnly(const TFormatStore& store, int code, TOutputOptions& out,
                    engine::TInputOptions& input) {
  out.AudioCodec = AudioEncoder(store, code, "libfaac");
  ApplyPositiveWhole(store.ReadChoice(code, "paraChannel", "2"), out.AudioChannels);
  ApplyPositiveWhole(store.ReadChoice(code, "paraSampleRate", "44100"), out.AudioSampleRate);
  ApplyAudioBitRate(store.ReadChoice(code, "paraAudioBitRate", "128"), out);
  ApplyVolume(store.ReadChoice(code, "paraVolume", kUnchangedVolume), out);
  // The source's video is not even decoded.
  input.ExtOptions = "vn=1";
  out.DisableVideo = true;
  out.DisableSubtitle = true;
}

void BuildAudioOfVideo(const TFormatStore& store, int code, TOutputOptions& out) {
  out.AudioCodec = AudioEncoder(store, code, "");
  if (Trim(out.AudioCodec).empty()) out.DisableAudio = true;
  ApplyPositiveWhole(store.ReadChoice(code, "paraChannel", "2"), out.AudioChannels);
  ApplyVolume(store.ReadChoice(code, "paraVolume", kUnchangedVolume), out);
  ApplyPositiveWhole(store.ReadChoice(code, "paraSampleRate", "44100"), out.AudioSampleRate);
  ApplyAudioBitRate(store.ReadChoice(code, "paraAudioBitRate", "128"), out);
}

// Sets VideoCodec (and the preset and limits of H.264). Any other name ("3gp", "mov", "wmv3",
// ...) leaves the codec unset, so the engine uses the container's own video encoder.
void ApplyVideoEncoder(const TFormatStore& store, int code, const std::string& encoder,
                       TOutputOptions& out) {
  if (IsOneOf(encoder, {"mpeg4", "libxvid", "mpeg1video", "msmpeg4", "msmpeg4v1", "msmpeg4v2",
                        "huffyuv", "dvvideo", "rawvideo", "h263p", "h263", "rv10", "rv20",
                        "ljpeg", "mjpeg", "svq1", "zlib", "wmv1", "wmv2"})) {
    out.VideoCodec = encoder;
  } else if (encoder == "mpeg2video") {
    out.VideoCodec = encoder;
    // MPEG-2 goes out as a DVD stream unless the format already chose its disc (an SVCD keeps
    // its own target).
    if (out.TargetType == 0) out.TargetType = 3;
  } else if (encoder == "libx264") {
    out.VideoCodec = encoder;
    const std::string format = Lower(store.Format(code));
    out.VideoPreset = format == "psp"    ? "libx264-psp"
                      : format == "ipod" ? "libx264-ipod"
                      : format == "ps3"  ? "libx264-ps3"
                                         : "libx264-mp4";
    // The preset is shared by every format; the format's own limits follow it.
    ApplyH264Extras(store, code, out);
  }
}

// DV fixes the chroma sampling by its norm: 4:1:1 for the 480-line (NTSC) frame, 4:2:0 for the
// 576-line (PAL) one, as the DV targets set it. The zoom may scale to an inner size and pad to
// the DV frame, so the encoder cannot tell the norm from the scaled size alone.
void ApplyDvSampling(const std::string& codec, const TTargetSize& target, TOutputOptions& out) {
  if (codec != "dvvideo" || target.Width != 720) return;
  const char* format = target.Height == 480 ? "yuv411p" : target.Height == 576 ? "yuv420p" : nullptr;
  if (!format) return;
  if (!out.ExtOptions.empty()) out.ExtOptions += "\n";
  out.ExtOptions += std::string("pix_fmt=") + format;
}

}  // namespace

void BuildConversionOptions(const TFormatStore& store, int code, const TRowEdits& row,
                            const TSourceVideo& source, engine::TOutputOptions& out,
                            engine::TInputOptions& input) {
  const std::string format = store.Format(code);
  ApplyTarget(Lower(format), store.ReadChoice(code, "paraVideoSize", "null"), out);

  const std::string encoder = store.ReadChoice(code, "paraVideoEncoder", "");
  if (Trim(encoder).empty()) {
    BuildAudioOnly(store, code, out, input);
    return;
  }
  ApplyVideoEncoder(store, code, encoder, out);

  if (source.VideoStreamCount < 1) {
    out.DisableVideo = true;
  } else {
    const std::string bitRate = store.ReadChoice(code, "paraVideoBitRate", "512");
    if (bitRate != "as source" && IsWholeNumber(bitRate)) {
      const long long bits = 1000LL * WholeNumberValue(bitRate);
      if (bits > 0 && bits <= 2147483647LL) out.VideoBitrate = static_cast<int>(bits);
    } else if (source.BitRate > 0 && source.BitRate <= 2147483647LL) {
      out.VideoBitrate = static_cast<int>(source.BitRate);
    }

    const std::string frameRate = store.ReadChoice(code, "paraFrameRate", "29.97");
    if (frameRate != "as source" && IsNumber(frameRate) && NumberValue(frameRate) > 0)
      out.FrameRate = frameRate;

    if (IsOneOf(Lower(format),
                {"ipod", "3gp", "3g2", "avi", "psp", "mov", "vcd", "flv", "mpegts", "vob"}))
      out.FileFormat = format;

    const TTargetSize target =
        ResolveTargetSize(store.ReadChoice(code, "paraVideoSize", "null"), out.VideoCodec,
                          source.Width, source.Height);
    ApplyZoom(row, source.Width, source.Height, target, out);
    ApplyDvSampling(out.VideoCodec, target, out);
  }

  BuildAudioOfVideo(store, code, out);
}

}  // namespace zanto::formats
