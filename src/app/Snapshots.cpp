#include "app/Snapshots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

#include "app/DestinationName.h"
#include "platform/Paths.h"

namespace zanto::app {
namespace {

int RoundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

void PutLE(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

TRect FitRect(int pw, int ph, const TRect& box) {
  TRect r = box;
  if (pw <= 0 || ph <= 0 || box.Width() <= 0 || box.Height() <= 0) return TRect{};
  const double a = static_cast<double>(pw) / box.Width();
  const double b = static_cast<double>(ph) / box.Height();
  if (a >= b) {
    const int c = RoundHalfEven((box.Height() - ph / a) / 2);
    r.Top = box.Top + c;
    r.Bottom = box.Bottom - c;
  } else {
    const int c = RoundHalfEven((box.Width() - pw / b) / 2);
    r.Left = box.Left + c;
    r.Right = box.Right - c;
  }
  return r;
}

void WriteBmpFile(const std::string& fileName, const platform::TBitmap24& bmp) {
  const int w = bmp.Width(), h = bmp.Height();
  const uint32_t rowBytes = static_cast<uint32_t>((w * 3 + 3) & ~3);
  const uint32_t imageSize = rowBytes * static_cast<uint32_t>(h);
  std::vector<uint8_t> out;
  out.reserve(54 + imageSize);
  out.push_back('B');
  out.push_back('M');
  PutLE(out, 54 + imageSize, 4);
  PutLE(out, 0, 4);
  PutLE(out, 54, 4);
  PutLE(out, 40, 4);  // BITMAPINFOHEADER
  PutLE(out, static_cast<uint32_t>(w), 4);
  PutLE(out, static_cast<uint32_t>(h), 4);  // positive: rows bottom-up
  PutLE(out, 1, 2);
  PutLE(out, 24, 2);
  PutLE(out, 0, 4);
  PutLE(out, imageSize, 4);
  PutLE(out, 2835, 4);
  PutLE(out, 2835, 4);
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  for (int y = h - 1; y >= 0; --y) {
    const uint8_t* row = bmp.ScanLine(y);
    out.insert(out.end(), row, row + w * 3);
    out.insert(out.end(), rowBytes - static_cast<uint32_t>(w * 3), 0);
  }
  std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (!file) throw std::runtime_error("Cannot create file \"" + fileName + "\"");
}

void WriteJpegFile(const std::string& fileName, const platform::TBitmap24& bmp, int quality) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(fileName.c_str(), "wb"));
  if (!file) throw std::runtime_error("Cannot create file \"" + fileName + "\"");
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  // libjpeg reports errors by exiting; an exception ends the write instead.
  jerr.error_exit = [](j_common_ptr c) {
    char msg[JMSG_LENGTH_MAX];
    (*c->err->format_message)(c, msg);
    throw std::runtime_error(msg);
  };
  try {
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file.get());
    cinfo.image_width = static_cast<JDIMENSION>(bmp.Width());
    cinfo.image_height = static_cast<JDIMENSION>(bmp.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(bmp.ScanLine(static_cast<int>(cinfo.next_scanline)));
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
  } catch (const std::exception& e) {
    jpeg_destroy_compress(&cinfo);
    throw std::runtime_error("Cannot write file \"" + fileName + "\": " + e.what());
  }
  if (std::fflush(file.get()) != 0) throw std::runtime_error("Cannot write file \"" + fileName + "\"");
}

void SaveSnapshots(TSettings& settings, const platform::TBitmap24& full,
                   const platform::TBitmap24& small) {
  const std::string folder = platform::IncludeTrailingSeparator(
      EnsureOutputFolder(settings, settings.SnapOutPutDir(), "snapOutPutDir"));
  const bool fullOn = settings.SnapFullSize(), smallOn = settings.SnapSmallSize();
  const bool bmpOn = settings.SnapBmp(), jpgOn = settings.SnapJpg();
  const int quality = settings.JpgCmp();
  const auto save = [&](bool on, const platform::TBitmap24& pic, const char* name) {
    if (!on || pic.Empty()) return;  // an empty picture has nothing to show
    if (bmpOn) WriteBmpFile(folder + name + ".bmp", pic);
    if (jpgOn) WriteJpegFile(folder + name + ".jpg", pic, quality);
  };
  save(fullOn, full, "Snapshot_full");
  save(smallOn, small, "Snapshot_small");
}

}  // namespace zanto::app
