#pragma once
// The information records the engine hands to its four events, and the event types.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Bitmap24.h"

namespace zanto::engine {

class TCustomFFmpegEngine;

// Per video frame of a task whose output asked for the custom hook. The handler may draw on
// Bitmap (its canvas is locked for the call); when Update stays True the bitmap becomes the
// frame that is encoded. StopHook True detaches the hook for the rest of the task.
struct THookInfo {
  int TaskIndex = -1;
  platform::TBitmap24* Bitmap = nullptr;
  int FrameNumber = 0;
  int64_t PTS = 0;
  bool Update = true;
  bool StopHook = false;
};
using PHookInfo = THookInfo*;

struct TPreviewInfo {
  int TaskIndex = -1;
  platform::TBitmap24* Bitmap = nullptr;
  int FrameNumber = 0;
  int64_t PTS = 0;  // microseconds
};

struct TProgressInfo {
  int TaskIndex = -1;
  int FileIndex = -1;     // input whose packet was read last; -1 on the final report
  int FrameNumber = -1;   // frames encoded in the first video output; -1 without video
  int FPS = -1;           // frames per wall-clock second; 0 during the first second
  float Quality = -1.0f;  // last quantiser of the video encoder
  float BitRate = 0.0f;   // kbit/s
  int64_t CurrentSize = 0;       // bytes written to the first output
  int64_t CurrentDuration = 0;   // output time reached, microseconds
  int64_t TotalDuration = -1;    // microseconds; -1 when unknown
};
using PProgressInfo = TProgressInfo*;

struct TTerminateInfo {
  int TaskIndex = -1;  // -1: the whole batch is done
  bool Finished = false;
  bool Exception = false;
  std::string ExceptionMsg;
};

using TCustomHookEvent = std::function<void(TCustomFFmpegEngine* sender, PHookInfo info)>;
using TPreviewBitmapEvent = std::function<void(TCustomFFmpegEngine* sender, TPreviewInfo info)>;
using TProgressEvent = std::function<void(TCustomFFmpegEngine* sender, PProgressInfo info)>;
using TTerminateEvent = std::function<void(TCustomFFmpegEngine* sender, TTerminateInfo info)>;

// Priorities of the conversion threads, mapped onto the platform's scheduling.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

}  // namespace zanto::engine
