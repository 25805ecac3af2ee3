#include "engine/CodecSetup.h"

#include <mutex>

#include "media/CodecLock.h"

namespace zanto::engine {

void ApplyCodecSettings(const std::vector<TGenericSetting>& settings, AVMediaType kind,
                        AVCodecContext* context, bool encoding) {
  const int direction = encoding ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
  for (const TGenericSetting& setting : settings) {
    if (setting.Target != TGenericTarget::Codec || setting.MediaType != kind) continue;
    if (setting.Flags && !(setting.Flags & direction)) continue;
    av_opt_set(context, setting.Name.c_str(), setting.Value.c_str(), AV_OPT_SEARCH_CHILDREN);
  }
}

int OpenCodecLocked(AVCodecContext* context, const AVCodec* codec) {
  std::lock_guard lock(media::CodecLock());
  return avcodec_open2(context, codec, nullptr);
}

}  // namespace zanto::engine
