#pragma once
// Decoded watermark pictures, kept per path so that a conversion does not read and decode the
// file again for every frame. A cached picture is used only while the file's modification time
// and size are those it was decoded from; a changed file is read again on the next frame.
#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Bitmap24.h"

namespace zanto::tools {

// A picture converted to 24 bits, with its opacity per pixel when the file has an alpha channel.
struct TWatermarkPicture {
  platform::TBitmap24 Pixels;
  std::vector<uint8_t> Alpha;  // Width() * Height() bytes, top-down; empty without alpha
  bool HasAlpha() const { return !Alpha.empty(); }
};

// Blends a decoded picture onto the frame at (x, y): by its own opacity per pixel when it has
// one, else by the 24-bit formula (see BlendPicture).
void BlendWatermarkPicture(platform::TBitmap24& frame, const TWatermarkPicture& picture, int x, int y, int style,
                           int alpha);

// Reads a picture file (BMP, PNG, JPEG, anything Qt's image reader knows). Raises
// std::runtime_error naming the file when it cannot be read or decoded.
std::shared_ptr<const TWatermarkPicture> ReadWatermarkPicture(const std::string& path);

// Thread-safe: a conversion thread and a preview's decoding thread may ask at the same time.
// The pictures handed out are immutable and shared; replacing a cache entry does not disturb a
// frame still blending the old picture.
class TPictureCache {
 public:
  static TPictureCache& Instance();

  // The decoded picture of path, read again when the file changed since it was cached. Raises
  // std::runtime_error naming the file when it cannot be read.
  std::shared_ptr<const TWatermarkPicture> Get(const std::string& path);
  void Clear();
  // How many times a file was decoded (not served from the cache); for tests.
  int64_t Loads() const;

 private:
  struct TEntry {
    std::string Path;
    std::filesystem::file_time_type ModifiedAt;
    std::uintmax_t Size = 0;
    std::shared_ptr<const TWatermarkPicture> Picture;
  };

  // A few pictures are in use at a time (one per running conversion or preview); the least
  // recently used one goes when there are more.
  static constexpr size_t kMaxEntries = 8;

  mutable std::mutex Lock_;  // guards Entries_ and Loads_
  std::list<TEntry> Entries_;  // most recently used first
  int64_t Loads_ = 0;
};

}  // namespace zanto::tools
