#include "tools/PictureCache.h"

#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstring>
#include <stdexcept>
#include <system_error>

#include "tools/PixelEffects.h"

namespace zanto::tools {

namespace {

[[noreturn]] void RaiseUnreadable(const std::string& path, const std::string& reason) {
  throw std::runtime_error("Cannot read picture file \"" + path + "\": " + reason);
}

}  // namespace

void BlendWatermarkPicture(platform::TBitmap24& frame, const TWatermarkPicture& picture, int x, int y, int style,
                           int alpha) {
  if (picture.HasAlpha()) {
    BlendPictureWithAlpha(frame, picture.Pixels, picture.Alpha.data(), picture.Pixels.Width(), x, y, style, alpha);
  } else {
    BlendPicture(frame, picture.Pixels, x, y, style, alpha);
  }
}

std::shared_ptr<const TWatermarkPicture> ReadWatermarkPicture(const std::string& path) {
  QImageReader reader(QString::fromStdString(path));
  QImage image = reader.read();
  if (image.isNull()) RaiseUnreadable(path, reader.errorString().toStdString());

  auto picture = std::make_shared<TWatermarkPicture>();
  const int width = image.width();
  const int height = image.height();
  picture->Pixels.SetSize(width, height);
  if (image.hasAlphaChannel()) {
    // Straight (not premultiplied) colours and their opacity, kept apart.
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    picture->Alpha.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
      const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
      uint8_t* dst = picture->Pixels.ScanLine(y);
      uint8_t* alpha = picture->Alpha.data() + static_cast<size_t>(y) * width;
      for (int x = 0; x < width; ++x) {
        dst[3 * x] = static_cast<uint8_t>(qBlue(src[x]));
        dst[3 * x + 1] = static_cast<uint8_t>(qGreen(src[x]));
        dst[3 * x + 2] = static_cast<uint8_t>(qRed(src[x]));
        alpha[x] = static_cast<uint8_t>(qAlpha(src[x]));
      }
    }
  } else {
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
      std::memcpy(picture->Pixels.ScanLine(y), bgr.constScanLine(y), static_cast<size_t>(width) * 3);
  }
  return picture;
}

TPictureCache& TPictureCache::Instance() {
  static TPictureCache cache;
  return cache;
}

std::shared_ptr<const TWatermarkPicture> TPictureCache::Get(const std::string& path) {
  std::error_code error;
  const std::filesystem::path file(path);
  const auto modifiedAt = std::filesystem::last_write_time(file, error);
  if (error) RaiseUnreadable(path, error.message());
  const auto size = std::filesystem::file_size(file, error);
  if (error) RaiseUnreadable(path, error.message());

  {
    std::lock_guard lock(Lock_);
    for (auto it = Entries_.begin(); it != Entries_.end(); ++it) {
      if (it->Path != path) continue;
      if (it->ModifiedAt == modifiedAt && it->Size == size) {
        Entries_.splice(Entries_.begin(), Entries_, it);
        return it->Picture;
      }
      Entries_.erase(it);
      break;
    }
  }

  // Decoded outside the lock, so a slow file does not hold up a renderer that wants another one.
  auto picture = ReadWatermarkPicture(path);

  std::lock_guard lock(Lock_);
  ++Loads_;
  std::erase_if(Entries_, [&](const TEntry& e) { return e.Path == path; });
  Entries_.push_front(TEntry{path, modifiedAt, size, picture});
  if (Entries_.size() > kMaxEntries) Entries_.pop_back();
  return picture;
}

void TPictureCache::Clear() {
  std::lock_guard lock(Lock_);
  Entries_.clear();
}

int64_t TPictureCache::Loads() const {
  std::lock_guard lock(Lock_);
  return Loads_;
}

}  // namespace zanto::tools
