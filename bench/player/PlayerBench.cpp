// Plays one file into an off-screen sink for a while and reports how well pictures keep time:
// for each shown picture the difference between its time and the audio clock at that moment,
// how many pictures were dropped, and the CPU time used.
//   player_bench FILE SECONDS SINK_WIDTH SINK_HEIGHT
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/MainThread.h"
#include "player/DisplaySink.h"
#include "player/PreviewPlayer.h"

using namespace zanto;

namespace {

class TNullSink : public player::TDisplaySink {
 public:
  TNullSink(int w, int h) : W_(w), H_(h) {}
  void Present(player::TDisplayImagePtr) override { ++Presented; }
  int AreaWidth() const override { return W_; }
  int AreaHeight() const override { return H_; }
  std::atomic<int> Presented{0};

 private:
  int W_, H_;
};

class TBenchPlayer : public player::TPreviewPlayer {
 public:
  ~TBenchPlayer() override { Stop(true); }
  std::mutex Mutex;  // guards Samples
  std::vector<std::pair<double, double>> Samples;  // picture time, audio clock

 protected:
  void PictureShown(double pts, double audioClock) override {
    std::lock_guard lock(Mutex);
    Samples.emplace_back(pts, audioClock);
  }
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s FILE SECONDS SINK_WIDTH SINK_HEIGHT\n", argv[0]);
    return 2;
  }
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  platform::TMainThread::SetMainThread();
  const std::string file = argv[1];
  const double seconds = std::atof(argv[2]);
  TNullSink sink(std::atoi(argv[3]), std::atoi(argv[4]));
  TBenchPlayer player;
  if (!player.LoadLibraries("")) return 1;
  double fps = 0;
  const auto wallStart = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  if (!player.Open(file, &sink, false)) {
    std::fprintf(stderr, "open failed: %s\n", player.LastErrorMessage().c_str());
    return 1;
  }
  platform::TMainThread::WaitPumping([] { return false; },
                                     std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
  player.Stop(true);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  const double cpu = CpuSeconds() - cpuStart;

  std::vector<std::pair<double, double>> samples;
  {
    std::lock_guard lock(player.Mutex);
    samples = player.Samples;
  }
  if (samples.size() < 2) {
    std::fprintf(stderr, "too few pictures shown\n");
    return 1;
  }
  // The frame rate from the picture times themselves (the smallest common step).
  std::vector<double> steps;
  for (size_t i = 1; i < samples.size(); ++i) steps.push_back(samples[i].first - samples[i - 1].first);
  std::sort(steps.begin(), steps.end());
  const double step = steps[steps.size() / 2];
  fps = step > 0 ? 1.0 / step : 0;
  const double span = samples.back().first - samples.front().first;
  const long expected = std::lround(span / step) + 1;
  const long shown = static_cast<long>(samples.size());
  int within = 0, withAudio = 0;
  double worst = 0;
  for (const auto& [pts, audio] : samples) {
    if (std::isnan(audio)) continue;
    ++withAudio;
    const double diff = std::fabs(pts - audio);
    worst = std::max(worst, diff);
    if (diff <= 0.040) ++within;
  }
  std::string gaps;
  for (size_t i = 1; i < samples.size(); ++i) {
    const long missing = std::lround((samples[i].first - samples[i - 1].first) / step) - 1;
    if (missing > 0) gaps += " " + std::to_string(missing) + "@" + std::to_string(samples[i].first).substr(0, 5);
  }
  std::printf("file            %s\n", file.c_str());
  if (!gaps.empty()) std::printf("dropped at      %s\n", gaps.c_str());
  std::printf("played          %.1f s (pictures %.2f .. %.2f s, %.2f fps)\n", wall,
              samples.front().first, samples.back().first, fps);
  std::printf("shown           %ld of %ld pictures (dropped %ld = %.2f %%)\n", shown, expected,
              expected - shown, 100.0 * (expected - shown) / expected);
  if (withAudio > 0)
    std::printf("a/v sync        %.1f %% of pictures within 40 ms of the audio clock (worst %.0f ms)\n",
                100.0 * within / withAudio, worst * 1000);
  std::printf("cpu             %.2f s for %.2f s wall = %.0f %% of one core\n", cpu, wall,
              100.0 * cpu / wall);
  return 0;
}
