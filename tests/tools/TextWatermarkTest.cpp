// The text step: ink where the text is and nowhere else, the font's face, colour and style, cut
// at the frame's edges, and drawing on two threads at once.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRect>

#include <thread>

#include "RenderTestSupport.h"
#include "tools/TextWatermark.h"

namespace zanto::tools {
namespace {

using platform::TBitmap24;
using test::PixelAt;

int InkPixels(const TBitmap24& bitmap) {
  int count = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      if (PixelAt(bitmap, x, y) != test::TBgr{255, 255, 255}) ++count;
  return count;
}

TWatermarkFont Font(int size, TColorValue color = 0) {
  TWatermarkFont font;
  font.Size = size;
  font.Color = color;
  return font;
}

TEST(RendererText, InkStaysInsideTheTextBox) {
  TBitmap24 frame(240, 80);
  frame.Fill(255, 255, 255);
  const TWatermarkFont font = Font(24);
  const std::string text = "Zanto 42";
  DrawWatermarkText(frame, text, font, 30, 12);

  // The text's box with its top-left corner at (30, 12), widened by a pixel for smoothing.
  const QFontMetrics metrics(WatermarkQFont(font));
  const QRect box = metrics.boundingRect(QString::fromStdString(text))
                        .translated(30, 12 + metrics.ascent())
                        .adjusted(-1, -1, 1, 1);
  ASSERT_GE(box.top(), 0);
  int darkInside = 0;
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) {
      const test::TBgr px = PixelAt(frame, x, y);
      if (box.contains(x, y)) {
        if (px[0] < 64 && px[1] < 64 && px[2] < 64) ++darkInside;
      } else {
        ASSERT_EQ(px, (test::TBgr{255, 255, 255})) << "ink outside the text at " << x << "," << y;
      }
    }
  // 24 points are 32 pixels; eight glyphs leave far more than a hundred solid pixels.
  EXPECT_GT(darkInside, 100);
}

TEST(RendererText, UsesTheFontColour) {
  TBitmap24 frame(120, 50);
  frame.Fill(255, 255, 255);
  DrawWatermarkText(frame, "HH", Font(20, ColorValue(255, 0, 0)), 2, 2);
  int red = 0;
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) {
      const test::TBgr px = PixelAt(frame, x, y);
      EXPECT_EQ(px[2], 255) << "red stays full everywhere on white";
      if (px[0] == 0 && px[1] == 0) ++red;
    }
  EXPECT_GT(red, 20);
}

TEST(RendererText, EachStyleChangesTheInk) {
  TBitmap24 regular(200, 60);
  regular.Fill(255, 255, 255);
  DrawWatermarkText(regular, "Style", Font(20), 5, 5);
  const int regularInk = InkPixels(regular);
  ASSERT_GT(regularInk, 0);

  const std::pair<const char*, bool TWatermarkFont::*> styles[] = {
      {"bold", &TWatermarkFont::Bold},
      {"underline", &TWatermarkFont::Underline},
      {"strike-out", &TWatermarkFont::StrikeOut},
  };
  for (const auto& [name, member] : styles) {
    TBitmap24 frame(200, 60);
    frame.Fill(255, 255, 255);
    TWatermarkFont font = Font(20);
    font.*member = true;
    DrawWatermarkText(frame, "Style", font, 5, 5);
    EXPECT_GT(InkPixels(frame), regularInk) << name;
  }
  TBitmap24 italic(200, 60);
  italic.Fill(255, 255, 255);
  TWatermarkFont font = Font(20);
  font.Italic = true;
  DrawWatermarkText(italic, "Style", font, 5, 5);
  EXPECT_GT(test::DifferentPixels(italic, regular), 0);
}

TEST(RendererText, TextPastTheEdgesIsCut) {
  TBitmap24 frame(100, 30);
  frame.Fill(255, 255, 255);
  DrawWatermarkText(frame, "WWWWWWWWWW", Font(16), 90, 20);
  EXPECT_GT(InkPixels(frame), 0);

  TBitmap24 outside(100, 30);
  outside.Fill(255, 255, 255);
  DrawWatermarkText(outside, "WWW", Font(16), 100, 0);
  DrawWatermarkText(outside, "WWW", Font(16), 0, 3000);
  DrawWatermarkText(outside, "WWW", Font(16), -500, -500);
  EXPECT_EQ(InkPixels(outside), 0);
}

TEST(RendererText, MissingFacesFallBackToInstalledFamiliesOfTheirKind) {
  // The default face of a new file, a Windows serif and a Windows monospaced face.
  const std::string sans = ResolveFontFamily("MS Sans Serif");
  const std::string serif = ResolveFontFamily("Times New Roman");
  const std::string mono = ResolveFontFamily("Courier New");
  for (const std::string& family : {sans, serif, mono})
    EXPECT_TRUE(QFontDatabase::hasFamily(QString::fromStdString(family))) << family;
  EXPECT_EQ(sans, "DejaVu Sans");  // the set-up installs fonts-dejavu-core
  EXPECT_EQ(serif, "DejaVu Serif");
  EXPECT_EQ(mono, "DejaVu Sans Mono");
  // An installed face is used as it is, and the font really resolves to it.
  EXPECT_EQ(ResolveFontFamily("DejaVu Serif"), "DejaVu Serif");
  EXPECT_EQ(QFontInfo(WatermarkQFont(TWatermarkFont{})).family().toStdString(), "DejaVu Sans");
  EXPECT_EQ(FontPixelSize(8), 11);
  EXPECT_EQ(FontPixelSize(24), 32);
}

TEST(RendererText, DrawsOnTwoThreadsAtOnce) {
  auto draw = [](TBitmap24& frame, int i) {
    frame.Fill(255, 255, 255);
    TWatermarkFont font = Font(14 + i % 3);
    font.Bold = i % 2 == 0;
    DrawWatermarkText(frame, "Thread " + std::to_string(i), font, 3, 4);
  };
  constexpr int kRounds = 24;
  std::vector<std::unique_ptr<TBitmap24>> expected;
  for (int i = 0; i < kRounds; ++i) {
    expected.push_back(std::make_unique<TBitmap24>(160, 40));
    draw(*expected.back(), i);
  }
  auto worker = [&](int parity, int& mismatches) {
    TBitmap24 frame(160, 40);
    for (int i = parity; i < kRounds; i += 2) {
      draw(frame, i);
      if (!test::SamePixels(frame, *expected[i])) ++mismatches;
    }
  };
  int mismatchesA = 0;
  int mismatchesB = 0;
  {
    std::jthread a(worker, 0, std::ref(mismatchesA));
    std::jthread b(worker, 1, std::ref(mismatchesB));
  }
  EXPECT_EQ(mismatchesA, 0);
  EXPECT_EQ(mismatchesB, 0);
}

}  // namespace
}  // namespace zanto::tools
