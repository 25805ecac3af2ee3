#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstring>
#include <memory>

namespace zanto::test {

namespace {

// Text drawing takes its fonts from the QGuiApplication, as in the program. One for the whole
// test program, made after TestMain chose the offscreen platform.
class TGuiApplicationEnvironment : public testing::Environment {
 public:
  void SetUp() override { App_ = std::make_unique<QGuiApplication>(Argc_, Argv_); }
  void TearDown() override { App_.reset(); }

 private:
  int Argc_ = 1;
  char Name_[16] = "tools_tests";
  char* Argv_[2] = {Name_, nullptr};
  std::unique_ptr<QGuiApplication> App_;
};

// GoogleTest owns registered environments.
[[maybe_unused]] testing::Environment* const kGuiEnvironment =
    testing::AddGlobalTestEnvironment(new TGuiApplicationEnvironment);

}  // namespace

TBgr PixelAt(const platform::TBitmap24& bitmap, int x, int y) {
  const uint8_t* p = bitmap.ScanLine(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

void SetPixel(platform::TBitmap24& bitmap, int x, int y, TBgr bgr) {
  uint8_t* p = bitmap.ScanLine(y) + 3 * x;
  p[0] = bgr[0];
  p[1] = bgr[1];
  p[2] = bgr[2];
}

void FillNoise(platform::TBitmap24& bitmap, uint32_t seed) {
  uint32_t state = seed * 2654435761u + 1;
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = bitmap.ScanLine(y);
    for (int i = 0; i < bitmap.Width() * 3; ++i) {
      state = state * 1664525u + 1013904223u;
      p[i] = static_cast<uint8_t>(state >> 24);
    }
  }
}

bool SamePixels(const platform::TBitmap24& a, const platform::TBitmap24& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && DifferentPixels(a, b) == 0;
}

int DifferentPixels(const platform::TBitmap24& a, const platform::TBitmap24& b) {
  int count = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (PixelAt(a, x, y) != PixelAt(b, x, y)) ++count;
  return count;
}

void CopyPixels(const platform::TBitmap24& from, platform::TBitmap24& to) {
  for (int y = 0; y < from.Height(); ++y)
    std::memcpy(to.ScanLine(y), from.ScanLine(y), static_cast<size_t>(from.Width()) * 3);
}

TBottomUpFrame::TBottomUpFrame(int width, int height) {
  const int stride = (width * 3 + 3) & ~3;
  Memory_.assign(static_cast<size_t>(stride) * height, 0);
  Bitmap_.Wrap(Memory_.data() + static_cast<size_t>(stride) * (height - 1), width, height, -stride);
}

bool WritePicture(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  bool withAlpha) {
  QImage image(width, height, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = rgba.data() + 4 * (static_cast<size_t>(y) * width + x);
      image.setPixel(x, y, qRgba(p[0], p[1], p[2], withAlpha ? p[3] : 255));
    }
  // JPEG at full quality keeps a solid colour within a step or two.
  return image.save(QString::fromStdString(path), nullptr, 100);
}

bool WriteSolidPicture(const std::string& path, int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> rgba;
  for (int i = 0; i < width * height; ++i) rgba.insert(rgba.end(), {r, g, b, 255});
  return WritePicture(path, width, height, rgba, false);
}

}  // namespace zanto::test
