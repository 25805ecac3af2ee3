#pragma once
// The texts and numbers the progress window and the file list show for a running task.
#include <cstdint>
#include <optional>
#include <string>

namespace zanto::app {

// Percent of the task done, truncated toward zero; nothing when the total is unknown (not
// above 0), so the bar and the cell keep what they show until the task ends.
std::optional<int> ProgressPercent(int64_t currentDurationUs, int64_t totalDurationUs);

struct TProgressLabels {
  std::string Time;      // "12 Second"
  std::string Length;    // "60 Second"
  std::string Size;      // "345 kb"
  std::string Progress;  // "[1/3]"
};
TProgressLabels MakeProgressLabels(int64_t currentDurationUs, int64_t totalDurationUs,
                                   int64_t currentSizeBytes, int taskIndex, int taskCount);

// A caption of at most 50 characters whole; a longer one as its first 44 characters, "..", and
// its extension with the dot.
std::string ShortFileLabel(const std::string& caption);

}  // namespace zanto::app
