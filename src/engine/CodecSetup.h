#pragma once
// Small helpers shared by the video and audio outputs: generic settings onto a real codec
// context, and opening an encoder under the global codec lock.
#include <vector>

#include "engine/GenericOptions.h"
#include "media/FFmpeg.h"

namespace zanto::engine {

// Every recorded codec setting of the context's kind that applies to encoding (or decoding);
// names the codec does not know were meant for another codec and are skipped.
void ApplyCodecSettings(const std::vector<TGenericSetting>& settings, AVMediaType kind,
                        AVCodecContext* context, bool encoding);

// avcodec_open2 under the process-wide codec lock.
int OpenCodecLocked(AVCodecContext* context, const AVCodec* codec);

}  // namespace zanto::engine
