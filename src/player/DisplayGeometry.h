#pragma once
// The drawing rules of the output area: which aspect ratio a picture is shown with, and where
// in the area it goes (even sizes, centred).
#include <cstdint>
#include <vector>

#include "player/DisplaySink.h"

namespace zanto::player {

// The display aspect ratio of a picture. aspectRatio < 0 fills the area (when it has a size),
// > 0 is used as given, 0 takes the picture's own pixel aspect (sarNum/sarDen, 1 when unknown)
// times its width over its height.
double DisplayAspect(double aspectRatio, int areaWidth, int areaHeight, int sarNum, int sarDen,
                     int pictureWidth, int pictureHeight);

// The largest rectangle of that aspect ratio inside the area, centred (integer halves of the
// margins). Sizes are made even, except a width that is the (odd) area width itself.
TDisplayRect DisplayRect(int areaWidth, int areaHeight, double aspect);

// Ring of interleaved 16-bit samples that feeds the wave display.
constexpr int kWaveRingSize = 131072;

// Draws the wave display into a bitmap of the area's size: black, one band per channel with
// white bars around its centre line, white separator lines between bands. Samples are read from
// the ring starting at start (interleaved, channels per sample frame).
void DrawWave(platform::TBitmap24& bitmap, const std::vector<int16_t>& ring, int start, int channels);

// Finds the wave display's trigger point: the sample position, stepping back from start by one
// sample frame at a time for fewer than 1000 samples, with the highest A - D score among those
// where exactly one of B and C is negative; start when none qualifies.
int WaveTriggerStart(const std::vector<int16_t>& ring, int start, int channels);

}  // namespace zanto::player
