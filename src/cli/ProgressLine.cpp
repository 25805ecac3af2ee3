#include "cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace zanto::cli {

std::string ClockText(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return buf;
}

std::string ProgressLine(int taskNumber, int taskCount, const std::string& fileName,
                         int64_t doneUs, int64_t totalUs, int fps, double elapsedSeconds) {
  std::string line = "[" + std::to_string(taskNumber) + "/" + std::to_string(taskCount) + "] " + fileName;
  if (totalUs > 0) {
    const int64_t percent = std::min<int64_t>(100, doneUs * 100 / totalUs);
    line += "  " + std::to_string(percent) + "%  " + ClockText(doneUs / 1000000) + "/" +
            ClockText(totalUs / 1000000);
  } else {
    line += "  " + ClockText(doneUs / 1000000);
  }
  if (fps > 0) line += "  " + std::to_string(fps) + " fps";
  if (totalUs > 0 && doneUs > 0 && elapsedSeconds > 1.0) {
    const double left = elapsedSeconds * static_cast<double>(totalUs - doneUs) / static_cast<double>(doneUs);
    line += "  ETA " + ClockText(static_cast<int64_t>(left + 0.5));
  }
  return line;
}

}  // namespace zanto::cli
