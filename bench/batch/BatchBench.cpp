// Converts one file through the batch driver, as the window program does, optionally with the
// row's effects, text and picture watermark on. For the batch benchmark only.
//   zanto_batch_bench SOURCE OUTDIR FORMAT_CODE SETTINGS FORMAT_FILE [--edits PICTURE]
#include <QGuiApplication>

#include <cstdio>
#include <string>

#include "app/BatchDriver.h"
#include "platform/MainThread.h"
#include "platform/qt/QtPlatform.h"

int main(int argc, char** argv) {
  using namespace zanto;
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s SOURCE OUTDIR CODE SETTINGS FORMAT_FILE [--edits PICTURE]\n", argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qtArgc = 1;
  QGuiApplication gui(qtArgc, argv);
  platform::InstallQtPlatform(false);

  app::TSettings settings(argv[4]);
  formats::TFormatStore store(argv[4], argv[5]);
  engine::TFFmpegEngine engine;
  app::TFileList list;
  list.Add(argv[1], -1, "", "full");
  if (argc >= 8 && std::string(argv[6]) == "--edits") {
    tools::TRenderValues& v = list.Row(0).Record->Render;
    v.Brightness = 300;
    v.Contrast = 20;
    v.Saturation = 200;
    v.Exposure = 40;
    v.WatermarkText = "Zanto benchmark";
    v.WatermarkFont.Size = 24;
    v.TextX = v.TextY = 40;
    v.ImageFile = argv[7];
    v.ImageX = v.ImageY = 200;
  }
  app::TBatchDriver driver(engine, list, settings, store);
  app::TBatchDriver::TOptions options;
  options.FormatCodeOverride = std::stoi(argv[3]);
  options.OutputDirOverride = argv[2];
  options.ZoomOverride = "full";
  driver.SetOptions(options);
  driver.Progress().OpenFolderAfter = false;
  if (!driver.Start()) return 1;
  driver.Progress().OpenFolderAfter = false;
  platform::TMainThread::WaitPumping([&] { return driver.State() == app::bsIdle; });
  return driver.Results().at(0).Finished ? 0 : 1;
}
