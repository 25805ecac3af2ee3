#include "tools/RowBands.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace zanto::tools {

namespace {
// Below this many rows per band a thread does not pay for itself.
constexpr int kMinRowsPerBand = 64;
}  // namespace

void ForEachRowBand(int height, int threadCount, const std::function<void(int, int)>& pass) {
  if (height <= 0) return;
  const int bands = std::clamp(std::min(threadCount, height / kMinRowsPerBand), 1, 64);
  if (bands == 1) {
    pass(0, height);
    return;
  }
  std::vector<std::jthread> workers;
  workers.reserve(bands - 1);
  // Band i covers rows [i * height / bands, (i + 1) * height / bands).
  auto bandStart = [&](int i) { return static_cast<int>(static_cast<long long>(i) * height / bands); };
  int inlineFrom = bands;  // bands no thread could be started for run here
  for (int i = 1; i < bands; ++i) {
    try {
      workers.emplace_back([&pass, first = bandStart(i), end = bandStart(i + 1)] { pass(first, end); });
    } catch (const std::system_error&) {
      inlineFrom = i;
      break;
    }
  }
  pass(0, bandStart(1));
  if (inlineFrom < bands) pass(bandStart(inlineFrom), height);
  // jthread joins on destruction.
}

}  // namespace zanto::tools
