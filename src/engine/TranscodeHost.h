#pragma once
// What the transcode needs from the task that runs it: the stop request, the pause gate, the
// hook, the preview, progress delivery and the log.
#include <string>

#include "engine/EngineEvents.h"
#include "media/MediaLogger.h"
#include "platform/Bitmap24.h"

namespace zanto::engine {

class ITranscodeHost {
 public:
  virtual ~ITranscodeHost() = default;

  virtual bool StopRequested() const = 0;
  // Blocks while the task is paused.
  virtual void PassPauseGate() = 0;

  // An output asked for the custom hook (so its video must be decoded).
  virtual bool HookRequested() const = 0;
  // The hook is requested, not detached, and the component has a handler.
  virtual bool HookAttached() const = 0;
  virtual void DetachHook() = 0;
  // Calls the component's hook; may raise whatever the handler raises.
  virtual void CallHook(THookInfo& info) = 0;

  // PreviewBitmap (or Preview) is on and someone listens.
  virtual bool PreviewWanted() const = 0;
  virtual void DisablePreview() = 0;
  virtual void DeliverPreview(const TPreviewInfo& info) = 0;

  virtual bool HasProgressHandler() const = 0;
  virtual void DeliverProgress(const TProgressInfo& info) = 0;

  virtual void Log(media::TLogLevel level, const std::string& text) = 0;
};

}  // namespace zanto::engine
