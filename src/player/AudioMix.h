#pragma once
// One block of the audio output: signed 16-bit native samples copied to the device buffer at the
// mixing volume, or silence while muted or when there is nothing to play.
#include <cstdint>

namespace zanto::player {

// Writes all len bytes of out. volume 0..128 (128 = unchanged); in may be null for silence.
void MixAudioBlock(uint8_t* out, const uint8_t* in, int len, bool mute, int volume);

}  // namespace zanto::player
