#pragma once
// The engine's one exception class. Its text is what the user sees: the task turns it into a
// failed AddTask / SetOutputFile (LastError) or into an OnTerminate carrying the message.
#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace zanto::engine {

class FFmpegException : public std::runtime_error {
 public:
  explicit FFmpegException(const std::string& message) : std::runtime_error(message) {}

  // printf-style construction for the messages with arguments ("Unknown %s '%s'", ...).
  static FFmpegException Format(const char* format, ...) __attribute__((format(printf, 1, 2))) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return FFmpegException(text);
  }
};

}  // namespace zanto::engine
