// Text is drawn with QPainter on a QImage that wraps the frame's own memory, so no pixel is
// copied. QPainter may paint on a QImage from any thread, and Qt renders text outside the GUI
// thread (every call here has its own QImage and QPainter, so a conversion thread and a
// player's decoding thread can draw at once). The fonts, however, come from the font database
// of the platform integration, which only a QGuiApplication sets up: the window program has one
// and the command-line front end creates one on the "offscreen" platform before any conversion
// starts. Without it text cannot be drawn, and this says so instead of letting Qt abort.
#include "tools/TextWatermark.h"

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>

namespace zanto::tools {

namespace {

enum class TFontKind { Sans, Serif, Mono };

// Faces the records carry that a Linux machine rarely has, by kind.
TFontKind KindOfFace(const QString& face) {
  static const QStringList serif = {"Times New Roman", "MS Serif", "Times", "Georgia", "Cambria",
                                    "Book Antiqua", "Garamond", "Palatino Linotype", "Constantia"};
  static const QStringList mono = {"Courier New", "Courier", "Lucida Console", "Consolas", "Fixedsys",
                                   "Terminal", "System"};
  if (serif.contains(face, Qt::CaseInsensitive)) return TFontKind::Serif;
  if (mono.contains(face, Qt::CaseInsensitive)) return TFontKind::Mono;
  return TFontKind::Sans;
}

QString FallbackFamily(TFontKind kind) {
  static const QStringList sans = {"DejaVu Sans", "Liberation Sans", "Noto Sans", "FreeSans"};
  static const QStringList serif = {"DejaVu Serif", "Liberation Serif", "Noto Serif", "FreeSerif"};
  static const QStringList mono = {"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono", "FreeMono"};
  const QStringList& candidates = kind == TFontKind::Serif ? serif : kind == TFontKind::Mono ? mono : sans;
  for (const QString& family : candidates)
    if (QFontDatabase::hasFamily(family)) return family;
  // None of the usual families: ask the platform for its general (or fixed) font.
  return QFontDatabase::systemFont(kind == TFontKind::Mono ? QFontDatabase::FixedFont
                                                           : QFontDatabase::GeneralFont).family();
}

void RequireGuiApplication() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
    throw std::runtime_error("Cannot draw the text watermark: no QGuiApplication");
}

QString DisplayText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

void PaintText(QImage& image, const QFont& font, TColorValue color, const QString& text, int x, int y) {
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(QColor(ColorRed(color), ColorGreen(color), ColorBlue(color)));
  // A rectangle reaching far past the frame: no line is wrapped, and the image itself cuts the
  // text at its edges.
  constexpr int kReach = 1 << 20;
  painter.drawText(QRect(x, y, kReach, kReach), Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs, text);
}

}  // namespace

int FontPixelSize(int points) {
  // Rounded like the system's MulDiv(points, 96, 72). Sizes of 0 or less take the default 8
  // points; very large ones are limited so that one glyph cannot take gigabytes.
  if (points <= 0) points = 8;
  const long long pixels = (static_cast<long long>(points) * 96 + 36) / 72;
  return static_cast<int>(std::clamp<long long>(pixels, 1, 2000));
}

std::string ResolveFontFamily(const std::string& face) {
  RequireGuiApplication();
  // The font database is asked once per face; renderers on several threads share the answer.
  static std::mutex lock;
  static std::map<std::string, std::string> resolved;
  std::lock_guard guard(lock);
  auto it = resolved.find(face);
  if (it != resolved.end()) return it->second;
  const QString name = QString::fromStdString(face);
  const QString family = !name.isEmpty() && QFontDatabase::hasFamily(name) ? name : FallbackFamily(KindOfFace(name));
  return resolved.emplace(face, family.toStdString()).first->second;
}

QFont WatermarkQFont(const TWatermarkFont& font) {
  QFont q(QString::fromStdString(ResolveFontFamily(font.Name)));
  q.setPixelSize(FontPixelSize(font.Size));
  q.setBold(font.Bold);
  q.setItalic(font.Italic);
  q.setUnderline(font.Underline);
  q.setStrikeOut(font.StrikeOut);
  return q;
}

void DrawWatermarkText(platform::TBitmap24& bitmap, const std::string& text, const TWatermarkFont& font,
                       int x, int y) {
  if (text.empty() || bitmap.Empty()) return;
  const QFont qfont = WatermarkQFont(font);
  const QString s = DisplayText(text);
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  if (bitmap.Stride() > 0) {
    QImage image(bitmap.ScanLine(0), width, height, bitmap.Stride(), QImage::Format_BGR888);
    PaintText(image, qfont, font.Color, s, x, y);
    return;
  }
  // Rows stored bottom-up: QImage wants row 0 first and a positive step, so paint on a top-down
  // copy and put the rows back. Painting the same text at the same place gives the same bytes.
  QImage image(width, height, QImage::Format_BGR888);
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (int row = 0; row < height; ++row) std::memcpy(image.scanLine(row), bitmap.ScanLine(row), rowBytes);
  PaintText(image, qfont, font.Color, s, x, y);
  for (int row = 0; row < height; ++row) std::memcpy(bitmap.ScanLine(row), image.constScanLine(row), rowBytes);
}

}  // namespace zanto::tools
