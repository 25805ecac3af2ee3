#pragma once
// Records what the media logger delivers while it lives, synchronously on the calling thread,
// and restores the logger's settings afterwards.
#include <string>
#include <vector>

#include "media/MediaLogger.h"

namespace zanto::test {

struct TLoggedLine {
  const void* Sender;
  media::TLogLevel Level;
  std::string Text;
};

class LogCapture {
 public:
  LogCapture() {
    auto& logger = media::GetLogger();
    SavedLevel_ = logger.LogLevel();
    SavedInMain_ = logger.TriggerEventInMainThread();
    logger.SetTriggerEventInMainThread(false);
    logger.SetLogLevel(media::llDebug);
    logger.SetOnLog([this](const void* sender, uint64_t, media::TLogLevel level,
                           const std::string& text) { Lines.push_back({sender, level, text}); });
  }
  ~LogCapture() {
    auto& logger = media::GetLogger();
    logger.SetOnLog(nullptr);
    logger.SetLogLevel(SavedLevel_);
    logger.SetTriggerEventInMainThread(SavedInMain_);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Lines whose sender is the given object (the library may log on its own as well).
  std::vector<TLoggedLine> From(const void* sender) const {
    std::vector<TLoggedLine> out;
    for (const auto& line : Lines)
      if (line.Sender == sender) out.push_back(line);
    return out;
  }

  std::vector<TLoggedLine> Lines;

 private:
  media::TLogLevel SavedLevel_;
  bool SavedInMain_;
};

}  // namespace zanto::test
