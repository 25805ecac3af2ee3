#pragma once
// The player's public vocabulary: states, driver choices and the event signatures.
#include <cstdint>
#include <functional>

namespace zanto::platform {
class TBitmap24;
}

namespace zanto::player {

enum TPlayState { psPlay, psPause, psResume, psStop, psEnd, psStep };

// Audio drivers map onto SDL2 driver names where the platform has one ("directsound", "winmm");
// adDefault keeps whatever the environment chose.
enum TAudioDriver { adDefault, adDirectSound, adWaveOut };
// Kept for the settings that store it; pictures never go through SDL video here.
enum TVideoDriver { vdDefault, vdDirectDraw, vdGDI };

// Seek flags: bit for bit the library's AVSEEK_FLAG_* values.
enum TSeekFlag : int { sfBackward = 1, sfByte = 2, sfAny = 4, sfFrame = 8 };

class TCustomPlayer;

using TFileOpenEvent = std::function<void(TCustomPlayer* sender, int64_t durationUs, int frameWidth,
                                          int frameHeight, int& screenWidth, int& screenHeight)>;
using TPositionEvent = std::function<void(TCustomPlayer* sender, int64_t ptsUs)>;
using TPlayStateEvent = std::function<void(TCustomPlayer* sender, TPlayState state)>;
using THookEvent =
    std::function<void(TCustomPlayer* sender, platform::TBitmap24& bitmap, int64_t ptsUs)>;

}  // namespace zanto::player
