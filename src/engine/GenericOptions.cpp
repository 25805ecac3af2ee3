#include "engine/GenericOptions.h"

#include "engine/OptionValues.h"

namespace zanto::engine {

namespace {

constexpr std::array<AVMediaType, 5> kKinds = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA,
                                               AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_ATTACHMENT};

size_t KindSlot(AVMediaType kind) {
  for (size_t i = 0; i < kKinds.size(); ++i)
    if (kKinds[i] == kind) return i;
  return kKinds.size();
}

// The option-table flag of a kind's parameters; data and attachment have none.
int ParamFlag(AVMediaType kind) {
  switch (kind) {
    case AVMEDIA_TYPE_VIDEO: return AV_OPT_FLAG_VIDEO_PARAM;
    case AVMEDIA_TYPE_AUDIO: return AV_OPT_FLAG_AUDIO_PARAM;
    case AVMEDIA_TYPE_SUBTITLE: return AV_OPT_FLAG_SUBTITLE_PARAM;
    default: return 0;
  }
}

// A context of the first encoder of that kind whose private options hold the name, so that a
// value can be checked before the encoder is known; null when none has it.
media::CodecContextPtr ScratchEncoderWith(AVMediaType kind, const std::string& name, int flag) {
  void* iter = nullptr;
  while (const AVCodec* codec = av_codec_iterate(&iter)) {
    if (!av_codec_is_encoder(codec) || codec->type != kind || !codec->priv_class) continue;
    const AVClass* privateClass = codec->priv_class;
    if (av_opt_find(&privateClass, name.c_str(), nullptr, flag, AV_OPT_SEARCH_FAKE_OBJ))
      return media::CodecContextPtr(avcodec_alloc_context3(codec));
  }
  return nullptr;
}

// The same for a muxer's private options ("muxrate" of the MPEG muxers).
media::OutputFormatPtr ScratchMuxerWith(const std::string& name) {
  void* iter = nullptr;
  while (const AVOutputFormat* format = av_muxer_iterate(&iter)) {
    if (!format->priv_class) continue;
    const AVClass* privateClass = format->priv_class;
    if (!av_opt_find(&privateClass, name.c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ)) continue;
    AVFormatContext* ctx = nullptr;
    if (avformat_alloc_output_context2(&ctx, format, nullptr, nullptr) >= 0) return media::OutputFormatPtr(ctx);
  }
  return nullptr;
}

}  // namespace

TGenericOptions::TGenericOptions() { Reset(); }

void TGenericOptions::Reset() {
  for (size_t i = 0; i < kKinds.size(); ++i) {
    Codecs_[i].reset(avcodec_alloc_context3(nullptr));
    if (Codecs_[i]) Codecs_[i]->codec_type = kKinds[i];
    Encoders_[i].reset();
  }
  Format_.reset(avformat_alloc_context());
  // A small scaler context with no formats: it only holds the scaler options ("sws_flags").
  Scaler_.reset(sws_alloc_context());
  if (Scaler_) {
    for (const char* size : {"srcw", "srch", "dstw", "dsth"}) av_opt_set_int(Scaler_.get(), size, 16, 0);
    av_opt_set_int(Scaler_.get(), "sws_flags", SWS_BICUBIC, 0);
  }
  Settings_.clear();
}

AVCodecContext* TGenericOptions::CodecContext(AVMediaType kind) const {
  const size_t slot = KindSlot(kind);
  return slot < Codecs_.size() ? Codecs_[slot].get() : nullptr;
}

void TGenericOptions::SelectEncoder(AVMediaType kind, const AVCodec* codec) {
  const size_t slot = KindSlot(kind);
  if (slot >= Encoders_.size()) return;
  if (codec && Encoders_[slot] && Encoders_[slot]->codec == codec) return;
  Encoders_[slot].reset(codec && codec->type == kind ? avcodec_alloc_context3(codec) : nullptr);
  if (!Encoders_[slot] || !Encoders_[slot]->priv_data) return;
  // Private options given before the encoder was chosen stay valid for this one when it knows them.
  for (const TGenericSetting& s : Settings_)
    if (s.Target == TGenericTarget::Codec && s.MediaType == kind && s.Private)
      av_opt_set(Encoders_[slot]->priv_data, s.Name.c_str(), s.Value.c_str(), 0);
}

int TGenericOptions::ScalerFlags() const {
  int64_t flags = SWS_BICUBIC;
  if (Scaler_) av_opt_get_int(Scaler_.get(), "sws_flags", 0, &flags);
  return static_cast<int>(flags);
}

bool TGenericOptions::TrySet(void* object, AVMediaType kind, TGenericTarget target, const std::string& name,
                             const std::string& value, TGenericResult& result) {
  const AVOption* option = av_opt_find(object, name.c_str(), nullptr, 0, 0);
  if (!option) return false;
  if (av_opt_set(object, name.c_str(), value.c_str(), 0) < 0) {
    result = TGenericResult::Rejected;
    return true;
  }
  const bool isPrivate = target == TGenericTarget::Codec ? object != CodecContext(kind) : object != Format_.get();
  Settings_.push_back({target, kind, name, value, option->flags, isPrivate});
  if (result == TGenericResult::NotFound) result = TGenericResult::Set;
  return true;
}

TGenericResult TGenericOptions::Set(const std::string& name, const std::string& value) {
  if (Trim(name).empty() || Trim(value).empty()) return TGenericResult::NotFound;
  TGenericResult result = TGenericResult::NotFound;

  // Looks the name up for one kind: the chosen encoder's private options, the common codec
  // options with that kind's flag, then (no encoder chosen yet) any encoder's private options.
  const auto trySetCodec = [&](AVMediaType kind, const std::string& optionName, int flag) -> bool {
    const size_t slot = KindSlot(kind);
    AVCodecContext* encoder = Encoders_[slot].get();
    if (encoder && encoder->priv_data &&
        av_opt_find(encoder->priv_data, optionName.c_str(), nullptr, flag, 0))
      return TrySet(encoder->priv_data, kind, TGenericTarget::Codec, optionName, value, result);
    AVCodecContext* common = Codecs_[slot].get();
    if (common && av_opt_find(common, optionName.c_str(), nullptr, flag, 0))
      return TrySet(common, kind, TGenericTarget::Codec, optionName, value, result);
    if (encoder) return false;
    media::CodecContextPtr scratch = ScratchEncoderWith(kind, optionName, flag);
    if (!scratch || !scratch->priv_data) return false;
    // The setting is recorded as a private option; the scratch context only checks the value.
    return TrySet(scratch->priv_data, kind, TGenericTarget::Codec, optionName, value, result);
  };

  bool found = false;
  for (AVMediaType kind : kKinds) {
    const int flag = ParamFlag(kind);
    if (flag == 0) continue;
    // "b" is the video bit rate; audio has "ab". The present table gives "b" to both kinds,
    // which would let a video rate overwrite the audio one.
    if (name == "b" && kind != AVMEDIA_TYPE_VIDEO) continue;
    if (trySetCodec(kind, name, flag)) found = true;
    if (result == TGenericResult::Rejected) break;
  }

  if (!found) {
    if (Format_ && av_opt_find(Format_.get(), name.c_str(), nullptr, 0, 0)) {
      found = TrySet(Format_.get(), AVMEDIA_TYPE_UNKNOWN, TGenericTarget::Format, name, value, result);
    } else if (media::OutputFormatPtr muxer = ScratchMuxerWith(name); muxer && muxer->priv_data) {
      found = TrySet(muxer->priv_data, AVMEDIA_TYPE_UNKNOWN, TGenericTarget::Format, name, value, result);
    } else if (Scaler_ && av_opt_find(Scaler_.get(), name.c_str(), nullptr, 0, 0)) {
      found = TrySet(Scaler_.get(), AVMEDIA_TYPE_UNKNOWN, TGenericTarget::Scaler, name, value, result);
    }
  }

  // "vqmin", "acodec_tag" ...: the rest of the name on the kind its first letter names.
  if (!found && name.size() > 1 && (name[0] == 'a' || name[0] == 'v' || name[0] == 's')) {
    const AVMediaType kind = name[0] == 'a' ? AVMEDIA_TYPE_AUDIO
                             : name[0] == 'v' ? AVMEDIA_TYPE_VIDEO
                                              : AVMEDIA_TYPE_SUBTITLE;
    found = trySetCodec(kind, name.substr(1), 0);
  }

  if (result == TGenericResult::Rejected)
    av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(), name.c_str());
  return result;
}

void ApplyGenericCodecOptions(const TGenericOptions& options, AVMediaType kind, AVCodecContext* context,
                              bool encoding) {
  if (!context) return;
  const int wanted = encoding ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
  for (const TGenericSetting& s : options.Settings()) {
    if (s.Target != TGenericTarget::Codec || s.MediaType != kind || !(s.Flags & wanted)) continue;
    const int ret = av_opt_set(context, s.Name.c_str(), s.Value.c_str(), AV_OPT_SEARCH_CHILDREN);
    // A private option of another encoder is not meant for this one.
    if (ret < 0 && ret != AVERROR_OPTION_NOT_FOUND)
      av_log(context, AV_LOG_WARNING, "Invalid value \"%s\" for option \"%s\"\n", s.Value.c_str(), s.Name.c_str());
  }
}

media::DictionaryPtr ApplyGenericFormatOptions(const TGenericOptions& options, AVFormatContext* context,
                                               bool encoding) {
  AVDictionary* rest = nullptr;
  const int wanted = encoding ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
  for (const TGenericSetting& s : options.Settings()) {
    if (s.Target != TGenericTarget::Format || !(s.Flags & wanted)) continue;
    const int ret = context ? av_opt_set(context, s.Name.c_str(), s.Value.c_str(), AV_OPT_SEARCH_CHILDREN)
                            : AVERROR_OPTION_NOT_FOUND;
    if (ret == AVERROR_OPTION_NOT_FOUND) av_dict_set(&rest, s.Name.c_str(), s.Value.c_str(), 0);
  }
  return media::DictionaryPtr(rest);
}

}  // namespace zanto::engine
