#pragma once
// Options that the engine does not know by name go to the media library's own parameter tables:
// one codec context per media kind, one format context and one scaler context. Setting an option
// checks name and value against those real tables; every accepted option is also recorded, so
// the transcode set-up can hand it to the real codec and format contexts when it opens them.
// An encoder's private options (libx264's "coder", a muxer's "muxrate") are found too.
#include <array>
#include <string>
#include <vector>

#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"

namespace zanto::engine {

// Where a generic option landed.
enum class TGenericTarget { Codec, Format, Scaler };

struct TGenericSetting {
  TGenericTarget Target = TGenericTarget::Codec;
  AVMediaType MediaType = AVMEDIA_TYPE_UNKNOWN;  // Codec: the kind whose context took it
  std::string Name;   // the library's name of the option ("b" for "ab" and "vb")
  std::string Value;  // the text as given (relative flags such as "+loop" kept as text)
  int Flags = 0;      // the option's AV_OPT_FLAG_* (encoding / decoding / video / audio ...)
  bool Private = false;  // a codec's or format's private option rather than a common one
};

// Outcome of TGenericOptions::Set, following the fallback setter's rules.
enum class TGenericResult { NotFound, Rejected, Set };

class TGenericOptions {
 public:
  TGenericOptions();
  TGenericOptions(const TGenericOptions&) = delete;
  TGenericOptions& operator=(const TGenericOptions&) = delete;

  // Fresh contexts with library defaults and no recorded settings.
  void Reset();

  // The generic contexts. Kinds: video, audio, data, subtitle, attachment.
  AVCodecContext* CodecContext(AVMediaType kind) const;
  AVFormatContext* FormatContext() const { return Format_.get(); }
  SwsContext* ScalerContext() const { return Scaler_.get(); }

  // The encoder chosen for a kind ("vcodec"), so that its private options are found and checked
  // on a context of that very encoder. nullptr goes back to the common options only.
  void SelectEncoder(AVMediaType kind, const AVCodec* codec);

  // The fallback setter: looks the name up in the codec contexts (video, audio, subtitle), then
  // the format and scaler contexts, then with a leading "a"/"v"/"s" stripped on that kind's codec
  // context. Rejected values are reported to the library's log at error level.
  TGenericResult Set(const std::string& name, const std::string& value);

  // Every accepted setting, in the order given.
  const std::vector<TGenericSetting>& Settings() const { return Settings_; }

  // The scaler flags currently held by the scaler context ("sws_flags"; default bicubic).
  int ScalerFlags() const;

 private:
  bool TrySet(void* object, AVMediaType kind, TGenericTarget target, const std::string& name,
              const std::string& value, TGenericResult& result);

  std::array<media::CodecContextPtr, 5> Codecs_;
  // Contexts of the selected encoders, holding their private options (empty when none chosen).
  std::array<media::CodecContextPtr, 5> Encoders_;
  media::OutputFormatPtr Format_;
  media::ScalerPtr Scaler_;
  std::vector<TGenericSetting> Settings_;
};

// For the transcode set-up. Copies into a real codec context every recorded codec setting of that
// kind that applies to encoding (encoding = true) or decoding, including the private options of
// the context's own codec (allocate it with avcodec_alloc_context3(codec) first). Settings the
// codec does not know are skipped: they were meant for another encoder.
void ApplyGenericCodecOptions(const TGenericOptions& options, AVMediaType kind,
                              AVCodecContext* context, bool encoding);

// The same for an output or input format context; a muxer's private options need the context's
// priv_data (avformat_alloc_output_context2 provides it). Returns the settings it could not apply
// as a dictionary, ready for avformat_write_header / avformat_open_input.
media::DictionaryPtr ApplyGenericFormatOptions(const TGenericOptions& options,
                                               AVFormatContext* context, bool encoding);

}  // namespace zanto::engine
