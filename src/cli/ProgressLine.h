#pragma once
// One line of progress for the file being converted.
#include <cstdint>
#include <string>

namespace zanto::cli {

// "[1/3] clip.mp4  42%  00:00:12/00:00:29  87 fps  ETA 00:00:09"; the parts that are unknown
// (total, fps, estimate) are left out.
std::string ProgressLine(int taskNumber, int taskCount, const std::string& fileName,
                         int64_t doneUs, int64_t totalUs, int fps, double elapsedSeconds);

// "HH:MM:SS" of whole seconds.
std::string ClockText(int64_t seconds);

}  // namespace zanto::cli
