#pragma once
// Snapshot pictures: fitting a picture into a box, and saving the full and the small picture
// as BMP and baseline JPEG files in the snapshot folder.
#include <string>

#include "app/Settings.h"
#include "platform/Bitmap24.h"

namespace zanto::app {

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

// The rectangle a pw x ph picture is drawn into inside box, aspect ratio kept, centred;
// margins rounded to nearest, halves to even.
TRect FitRect(int pictureWidth, int pictureHeight, const TRect& box);

// Writes a 24-bit BMP file; raises std::runtime_error naming the file when it cannot.
void WriteBmpFile(const std::string& fileName, const platform::TBitmap24& bitmap);
// Writes a baseline JPEG of quality 1..100; raises std::runtime_error naming the file.
void WriteJpegFile(const std::string& fileName, const platform::TBitmap24& bitmap, int quality);

// Saves "Snapshot_full.bmp", "Snapshot_small.bmp", "Snapshot_full.jpg", "Snapshot_small.jpg"
// as the switches of the settings allow. An empty picture writes nothing.
void SaveSnapshots(TSettings& settings, const platform::TBitmap24& full,
                   const platform::TBitmap24& small);

}  // namespace zanto::app
