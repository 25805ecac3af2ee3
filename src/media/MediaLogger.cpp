#include "media/MediaLogger.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <stdexcept>
#include <sys/syscall.h>
#include <unistd.h>

#include "media/FFmpeg.h"
#include "platform/MainThread.h"

namespace zanto::media {
namespace {

constexpr const char* kLevelNames[] = {"quiet", "panic", "fatal", "error",
                                       "warning", "info", "verbose", "debug"};

// Per-thread pending text of the library callback: one entry per thread that ever logged.
// Its own lock, so the callback never waits for an OnLog handler.
struct PendingLines {
  std::mutex Mutex;
  std::map<uint64_t, std::string> ByThread;
};

PendingLines& Pending() {
  static PendingLines pending;
  return pending;
}

}  // namespace

uint64_t CurrentThreadId() { return static_cast<uint64_t>(syscall(SYS_gettid)); }

int LibraryLevelOf(TLogLevel level) { return (static_cast<int>(level) - 1) * 8; }

TLogLevel LogLevelFromLibrary(int libraryLevel) {
  int l = libraryLevel;
  if (l < 0) l += 7;
  if (l < -8) return llQuiet;
  if (l < 48) {
    // Rounded down, also for the negative levels between -8 and -1.
    const int q = l >= 0 ? l / 8 : -((-l + 7) / 8);
    return static_cast<TLogLevel>(std::clamp(q + 1, 0, static_cast<int>(llDebug)));
  }
  return llDebug;
}

TMediaLogger::TMediaLogger() : LogLevel_(LogLevelFromLibrary(av_log_get_level())) {}

TMediaLogger& GetLogger() {
  static TMediaLogger logger;
  return logger;
}

TLogLevel TMediaLogger::LogLevel() const {
  std::lock_guard lock(Mutex_);
  return LogLevel_;
}

void TMediaLogger::SetLogLevel(TLogLevel level) {
  {
    std::lock_guard lock(Mutex_);
    LogLevel_ = level;
  }
  av_log_set_level(LibraryLevelOf(level));
}

void TMediaLogger::SetLogLevelByName(const std::string& text) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (int i = 0; i <= llDebug; ++i) {
    if (lower == kLevelNames[i]) {
      SetLogLevel(static_cast<TLogLevel>(i));
      return;
    }
  }
  int number = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(begin, end, number);
  if (text.empty() || ec != std::errc() || ptr != end)
    throw std::invalid_argument("'" + text + "' is not a valid integer value");
  SetLogLevel(LogLevelFromLibrary(number));
}

bool TMediaLogger::TriggerEventInMainThread() const {
  std::lock_guard lock(Mutex_);
  return TriggerEventInMainThread_;
}

void TMediaLogger::SetTriggerEventInMainThread(bool value) {
  std::lock_guard lock(Mutex_);
  TriggerEventInMainThread_ = value;
}

void TMediaLogger::SetOnLog(TLogEvent handler) {
  std::lock_guard lock(Mutex_);
  OnLog_ = std::move(handler);
}

bool TMediaLogger::HasOnLog() const {
  std::lock_guard lock(Mutex_);
  return static_cast<bool>(OnLog_);
}

void TMediaLogger::Deliver(const void* sender, uint64_t threadId, TLogLevel level,
                           const std::string& line) {
  TLogEvent handler;
  bool toMain;
  {
    std::lock_guard lock(Mutex_);
    handler = OnLog_;
    toMain = TriggerEventInMainThread_;
  }
  if (!handler) return;
  if (toMain && !platform::TMainThread::IsMainThread()) {
    // Queued, not waited for: the library logs from its own worker threads while the main
    // thread may be inside the library waiting for them, and a blocking hand-over would
    // dead-lock. Lines keep their order in the queue.
    platform::TMainThread::Queue([handler, sender, threadId, level, line] {
      handler(sender, threadId, level, line);
    });
  } else {
    handler(sender, threadId, level, line);
  }
}

void TMediaLogger::LogMessage(const void* sender, TLogLevel level, const std::string& text) {
  const TLogLevel current = LogLevel();
  if (level <= current || (level == llVerbose && current != llQuiet))
    Deliver(sender, CurrentThreadId(), level, text);
}

void TMediaLogger::LogMessageFmt(const void* sender, TLogLevel level, const char* format, ...) {
  char buf[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  LogMessage(sender, level, buf);
}

void TMediaLogger::AppendLibraryText(const std::string& prefix, int libraryLevel,
                                     const std::string& text) {
  const uint64_t tid = CurrentThreadId();
  std::vector<std::string> lines;
  {
    std::lock_guard lock(Pending().Mutex);
    std::string& pending = Pending().ByThread[tid];
    if (pending.empty()) pending = prefix;
    pending += text;
    std::size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
      lines.push_back(pending.substr(0, nl));
      pending.erase(0, nl + 1);
    }
  }
  const TLogLevel level = LogLevelFromLibrary(libraryLevel);
  for (const auto& line : lines) Deliver(this, tid, level, line);
}

void TMediaLogger::ResetPending() {
  std::lock_guard lock(Pending().Mutex);
  Pending().ByThread.clear();
}

void TMediaLogger::LibraryCallback(void* avcl, int level, const char* fmt, va_list args) {
  if (level > av_log_get_level()) return;
  std::string prefix;
  if (avcl) {
    const AVClass* cls = *static_cast<AVClass**>(avcl);
    if (cls && cls->item_name) {
      char buf[256];
      std::snprintf(buf, sizeof buf, "[%s @ %p] ", cls->item_name(avcl), avcl);
      prefix = buf;
    }
  }
  char text[2048];
  std::vsnprintf(text, sizeof text, fmt, args);
  GetLogger().AppendLibraryText(prefix, level, text);
}

}  // namespace zanto::media
