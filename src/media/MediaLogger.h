#pragma once
// The single log of the media library and the engine. Library output arrives through the
// library's log callback, from any thread, in pieces; each thread's pieces are assembled into
// whole lines before OnLog sees them. OnLog is delivered in the main thread by default.
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace zanto::media {

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// The library's numeric level of each TLogLevel: -8, 0, 8, 16, 24, 32, 40, 48.
int LibraryLevelOf(TLogLevel level);
// A library level mapped to TLogLevel (negative levels are first raised by 7).
TLogLevel LogLevelFromLibrary(int libraryLevel);

using TLogEvent = std::function<void(const void* sender, uint64_t threadId, TLogLevel level,
                                     const std::string& message)>;

class TMediaLogger {
 public:
  TMediaLogger(const TMediaLogger&) = delete;
  TMediaLogger& operator=(const TMediaLogger&) = delete;

  TLogLevel LogLevel() const;
  // Also hands the matching level to av_log_set_level.
  void SetLogLevel(TLogLevel level);
  // The "loglevel" option: a name (any case) or a number of the library's scale. Invalid text
  // raises std::invalid_argument("'<text>' is not a valid integer value").
  void SetLogLevelByName(const std::string& text);

  bool TriggerEventInMainThread() const;
  void SetTriggerEventInMainThread(bool value);

  void SetOnLog(TLogEvent handler);
  bool HasOnLog() const;

  // An engine message: delivered when OnLog is set and the level is at most LogLevel, or the
  // level is llVerbose and LogLevel is not llQuiet.
  void LogMessage(const void* sender, TLogLevel level, const std::string& text);
  void LogMessageFmt(const void* sender, TLogLevel level, const char* format, ...)
      __attribute__((format(printf, 4, 5)));

  // The library's log callback, installed by LoadMediaLibraries.
  static void LibraryCallback(void* avcl, int level, const char* fmt, va_list args);
  // Feeds text as if it came from the library on the calling thread (already formatted).
  void AppendLibraryText(const std::string& prefix, int libraryLevel, const std::string& text);
  // Drops the pending text of every thread (test isolation).
  void ResetPending();

 private:
  friend TMediaLogger& GetLogger();
  TMediaLogger();
  void Deliver(const void* sender, uint64_t threadId, TLogLevel level, const std::string& line);

  mutable std::mutex Mutex_;
  TLogLevel LogLevel_;
  bool TriggerEventInMainThread_ = true;
  TLogEvent OnLog_;
};

// The single instance, created on first use.
TMediaLogger& GetLogger();

// The calling thread's id as a number (for log lines).
uint64_t CurrentThreadId();

}  // namespace zanto::media
