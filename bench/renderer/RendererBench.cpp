// Frames per second of RenderFrameEdits on a 1920 x 1080 frame: the colour pass alone, colour
// and exposure, and everything on (a 200 x 100 PNG with alpha, a 24-point text), on one thread
// and with the passes split by rows across threads.
//
//   zanto_renderer_bench [seconds per case] [threads for the split runs]
#include <QGuiApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/Bitmap24.h"
#include "tools/FrameRenderer.h"

namespace {

using zanto::platform::TBitmap24;
using zanto::tools::RenderFrameEdits;
using zanto::tools::TRenderValues;

void FillFrame(TBitmap24& frame) {
  uint32_t state = 12345;
  for (int y = 0; y < frame.Height(); ++y) {
    uint8_t* p = frame.ScanLine(y);
    for (int i = 0; i < frame.Width() * 3; ++i) {
      state = state * 1664525u + 1013904223u;
      p[i] = static_cast<uint8_t>(state >> 24);
    }
  }
}

std::string WritePicture() {
  QImage image(200, 100, QImage::Format_ARGB32);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) image.setPixel(x, y, qRgba(x, 2 * y, 128, (x + y) % 256));
  const auto path = (std::filesystem::temp_directory_path() / "zanto_renderer_bench.png").string();
  if (!image.save(QString::fromStdString(path))) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  return path;
}

double FramesPerSecond(const TRenderValues& values, int threads, double seconds) {
  TBitmap24 frame(1920, 1080);
  FillFrame(frame);
  RenderFrameEdits(frame, values, threads);  // warm-up: fonts, picture cache
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  int frames = 0;
  double elapsed = 0;
  do {
    RenderFrameEdits(frame, values, threads);
    ++frames;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < seconds);
  return frames / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  const int splitThreads = argc > 2 ? std::atoi(argv[2]) : 2;

  TRenderValues colour;
  colour.Brightness = 300;
  colour.Contrast = 20;
  colour.Saturation = 180;

  TRenderValues colourExposure = colour;
  colourExposure.Exposure = 80;

  TRenderValues everything = colourExposure;
  everything.WatermarkText = "Zanto WMV MP4 Converter";
  everything.WatermarkFont.Size = 24;
  everything.WatermarkFont.Color = 0x00FFFF;
  everything.TextX = 100;
  everything.TextY = 900;
  everything.ImageFile = WritePicture();
  everything.ImageX = 1600;
  everything.ImageY = 50;
  everything.ImageAlpha = 168;

  // The two watermark steps alone, to see where the time of (c) goes.
  TRenderValues textOnly;
  textOnly.WatermarkText = everything.WatermarkText;
  textOnly.WatermarkFont = everything.WatermarkFont;
  textOnly.TextX = everything.TextX;
  textOnly.TextY = everything.TextY;
  TRenderValues pictureOnly;
  pictureOnly.ImageFile = everything.ImageFile;
  pictureOnly.ImageX = everything.ImageX;
  pictureOnly.ImageY = everything.ImageY;
  pictureOnly.ImageAlpha = everything.ImageAlpha;

  struct TCase {
    const char* Name;
    const TRenderValues* Values;
  } cases[] = {{"(a) colour pass", &colour}, {"(b) colour + exposure", &colourExposure},
               {"(c) everything", &everything},
               {"text step alone", &textOnly}, {"picture step alone", &pictureOnly}};
  std::printf("1920x1080, %u hardware threads\n", std::thread::hardware_concurrency());
  for (const TCase& c : cases) {
    const double one = FramesPerSecond(*c.Values, 1, seconds);
    const double split = FramesPerSecond(*c.Values, splitThreads, seconds);
    std::printf("%-24s 1 thread: %7.1f fps   %d threads: %7.1f fps\n", c.Name, one, splitThreads, split);
  }
  std::filesystem::remove(everything.ImageFile);
  return 0;
}
