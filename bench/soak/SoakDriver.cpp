// The soak driver: many batches of conversions in one process through the batch driver, with
// the process's resident memory, open descriptors and threads read after every batch. A leak of
// any of them shows as a figure that keeps rising from batch to batch.
//
//   zanto_soak SETTINGS_INI FORMAT_INI SOURCE OUTPUT_DIR [BATCHES] [FILES_PER_BATCH] [FORMAT_CODE]
//
// The first half of the batches warms up what the libraries and the allocator set up once per
// process; memory is compared between the middle and the end, so a leak shows as growth over
// the second half. Descriptors must equal their level after the first batch and threads their
// idle level after every batch. Exit status 0 when all holds; 1 otherwise.
#include <QGuiApplication>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/BatchDriver.h"
#include "platform/MainThread.h"
#include "platform/Shell.h"

namespace {

using namespace zanto;
namespace fs = std::filesystem;

struct TFigures {
  long RssKb = 0;
  int Descriptors = 0;
  int Threads = 0;
};

long StatusField(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
  return -1;
}

TFigures Measure() {
  // Free memory the allocator still holds goes back first, so the figure is what is in use
  // (each conversion thread's allocator arena otherwise keeps its high-water mark).
  malloc_trim(0);
  TFigures f;
  f.RssKb = StatusField("VmRSS");
  f.Threads = static_cast<int>(StatusField("Threads"));
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++f.Descriptors;
  --f.Descriptors;  // the iterator's own descriptor
  return f;
}

void Print(const char* label, const TFigures& f) {
  std::printf("%-14s rss %7ld kB   fds %3d   threads %3d\n", label, f.RssKb, f.Descriptors, f.Threads);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s SETTINGS_INI FORMAT_INI SOURCE OUTPUT_DIR [BATCHES] [FILES] [CODE]\n", argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  platform::TMainThread::SetMainThread();
  platform::TShell::SetOpenHandler([](const std::string&) { return true; });
  platform::TShell::SetPowerOffHandler([] {});
  const std::string source = argv[3];
  const std::string outDir = argv[4];
  const int batches = argc > 5 ? std::atoi(argv[5]) : 10;
  const int files = argc > 6 ? std::atoi(argv[6]) : 5;
  const int code = argc > 7 ? std::atoi(argv[7]) : 2;

  const TFigures idle = Measure();
  Print("idle", idle);
  app::TSettings settings(argv[1]);
  settings.Ini().WriteInteger("settings", "FormatCode", code);
  settings.SetOutPutDir(outDir);
  formats::TFormatStore store(argv[1], argv[2]);
  engine::TFFmpegEngine engine;
  if (!engine.LoadMediaLibraries("")) {
    std::fprintf(stderr, "%s\n", engine.LastError().c_str());
    return 2;
  }
  app::TFileList list;
  app::TBatchDriver driver(engine, list, settings, store);
  for (int i = 0; i < files; ++i) list.Add(source, -1, "", "lbox");

  TFigures afterFirst, middle;
  const int middleBatch = std::max(1, batches / 2);
  bool ok = true;
  int converted = 0;
  const auto started = std::chrono::steady_clock::now();
  for (int batch = 1; batch <= batches; ++batch) {
    if (!driver.Start()) {
      std::fprintf(stderr, "batch %d did not start\n", batch);
      return 1;
    }
    platform::TMainThread::WaitPumping([&] { return driver.State() == app::bsIdle; }, std::chrono::minutes(10));
    for (const auto& r : driver.Results()) {
      if (r.Finished && !r.Failed) ++converted;
      else std::fprintf(stderr, "batch %d: %s failed: %s\n", batch, r.Source.c_str(), r.Message.c_str());
    }
    engine.ClearTasks();
    fs::remove_all(outDir);
    const TFigures now = Measure();
    char label[32];
    std::snprintf(label, sizeof label, "after batch %d", batch);
    Print(label, now);
    if (batch == 1) afterFirst = now;
    if (batch == middleBatch) middle = now;
    // Descriptors and threads come back exactly.
    if (now.Descriptors != afterFirst.Descriptors) ok = false;
    if (now.Threads != idle.Threads) ok = false;
  }
  const TFigures last = Measure();
  const long growthKb = last.RssKb - middle.RssKb;
  const int laterConversions = (batches - middleBatch) * files;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("\nconversions %d of %d in %.1f s\n", converted, batches * files, seconds);
  std::printf("idle:            rss %ld kB, fds %d, threads %d\n", idle.RssKb, idle.Descriptors, idle.Threads);
  std::printf("after batch 1:   rss %ld kB, fds %d, threads %d\n", afterFirst.RssKb, afterFirst.Descriptors,
              afterFirst.Threads);
  std::printf("after batch %-3d rss %ld kB, fds %d, threads %d\n", middleBatch, middle.RssKb,
              middle.Descriptors, middle.Threads);
  std::printf("after the last:  rss %ld kB, fds %d, threads %d\n", last.RssKb, last.Descriptors, last.Threads);
  std::printf("memory growth over the last %d conversions: %ld kB (%.2f kB per conversion)\n",
              laterConversions, growthKb,
              laterConversions > 0 ? static_cast<double>(growthKb) / laterConversions : 0.0);
  // More than 16 kB per conversion that never comes back is a leak, not allocator noise.
  if (laterConversions > 0 && growthKb > 16L * laterConversions) ok = false;
  if (converted != batches * files) ok = false;
  std::printf("%s\n", ok ? "SOAK PASSED" : "SOAK FAILED");
  return ok ? 0 : 1;
}
