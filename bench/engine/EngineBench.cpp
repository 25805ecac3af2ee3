// A small driver that converts one file with the engine, the way the benchmark script and a
// developer at the shell use it:
//   zanto_engine_bench [--log] [--stop-after SECONDS] [--in name=value]... INPUT OUTPUT [name=value]...
// Output options go to the output record's option text; "--in" options to the input's.
// Prints the wall time in seconds and the task's message on failure (exit status 1). With
// --stop-after the conversion runs on its thread and is stopped after that many seconds; the
// time Stop(True) took is printed instead.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/MainThread.h"

#include "engine/FFmpegEngine.h"
#include "media/MediaLogger.h"

using namespace zanto;

int main(int argc, char** argv) {
  engine::TInputOptions input;
  engine::TOutputOptions output;
  std::string inputFile, outputFile;
  bool log = false;
  double stopAfter = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--log") {
      log = true;
    } else if (arg == "--stop-after" && i + 1 < argc) {
      stopAfter = std::atof(argv[++i]);
    } else if (arg == "--in" && i + 1 < argc) {
      input.ExtOptions += std::string(argv[++i]) + "\n";
    } else if (inputFile.empty()) {
      inputFile = arg;
    } else if (outputFile.empty()) {
      outputFile = arg;
    } else {
      output.ExtOptions += arg + "\n";
    }
  }
  if (outputFile.empty()) {
    std::fprintf(stderr, "usage: %s [--log] [--in name=value]... INPUT OUTPUT [name=value]...\n", argv[0]);
    return 2;
  }
  auto& logger = media::GetLogger();
  logger.SetTriggerEventInMainThread(false);
  if (log) {
    logger.SetLogLevel(media::llInfo);
    logger.SetOnLog([](const void*, uint64_t, media::TLogLevel, const std::string& line) {
      std::fprintf(stderr, "%s\n", line.c_str());
    });
  } else {
    logger.SetLogLevel(media::llQuiet);
  }

  engine::TFFmpegEngine engine;
  if (!engine.LoadMediaLibraries("")) {
    std::fprintf(stderr, "%s\n", engine.LastError().c_str());
    return 1;
  }
  engine::TTerminateInfo result;
  engine.SetOnTerminate([&result](engine::TCustomFFmpegEngine*, engine::TTerminateInfo info) {
    if (info.TaskIndex >= 0) result = info;
  });
  const auto start = std::chrono::steady_clock::now();
  const int task = engine.AddTask(inputFile, &input);
  if (task < 0 || !engine.SetOutputFile(task, outputFile, &output)) {
    std::fprintf(stderr, "%s\n", engine.LastError().c_str());
    return 1;
  }
  if (stopAfter >= 0) {
    platform::TMainThread::SetMainThread();
    engine.StartTask(1);
    std::this_thread::sleep_for(std::chrono::duration<double>(stopAfter));
    const auto stopStart = std::chrono::steady_clock::now();
    engine.Stop(true);
    std::printf("stop took %.3f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - stopStart).count());
    return 0;
  }
  engine.StartTask(0);  // here, synchronously
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result.Exception || !result.Finished) {
    std::fprintf(stderr, "%s\n", result.ExceptionMsg.c_str());
    return 1;
  }
  std::printf("%.3f\n", seconds);
  return 0;
}
