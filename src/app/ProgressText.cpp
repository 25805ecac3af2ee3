#include "app/ProgressText.h"

#include <filesystem>

namespace zanto::app {

std::optional<int> ProgressPercent(int64_t currentDurationUs, int64_t totalDurationUs) {
  if (totalDurationUs <= 0) return std::nullopt;
  return static_cast<int>(currentDurationUs * 100 / totalDurationUs);
}

TProgressLabels MakeProgressLabels(int64_t currentDurationUs, int64_t totalDurationUs,
                                   int64_t currentSizeBytes, int taskIndex, int taskCount) {
  return {std::to_string(currentDurationUs / 1000000) + " Second",
          std::to_string(totalDurationUs / 1000000) + " Second",
          std::to_string(currentSizeBytes / 1000) + " kb",
          "[" + std::to_string(taskIndex + 1) + "/" + std::to_string(taskCount) + "]"};
}

std::string ShortFileLabel(const std::string& caption) {
  if (caption.size() <= 50) return caption;
  return caption.substr(0, 44) + ".." + std::filesystem::path(caption).extension().string();
}

}  // namespace zanto::app
