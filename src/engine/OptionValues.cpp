#include "engine/OptionValues.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "engine/FFmpegException.h"
#include "media/FFmpeg.h"

namespace zanto::engine {

namespace {


FFmpegException NotInteger(const std::string& text) {
  return FFmpegException::Format("'%s' is not a valid integer value", text.c_str());
}

// Signed integer with an optional "$" or "0x" hexadecimal prefix; false when the text is not
// one whole number or does not fit.
bool ParseWholeInteger(const std::string& text, int64_t& out) {
  const std::string body = Trim(text);
  if (body.empty()) return false;
  size_t pos = 0;
  bool negative = false;
  if (body[pos] == '+' || body[pos] == '-') negative = body[pos++] == '-';
  int base = 10;
  if (pos < body.size() && body[pos] == '$') {
    base = 16;
    ++pos;
  } else if (pos + 1 < body.size() && body[pos] == '0' && (body[pos + 1] == 'x' || body[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  if (pos >= body.size()) return false;
  uint64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(body.data() + pos, body.data() + body.size(), magnitude, base);
  if (ec != std::errc() || end != body.data() + body.size()) return false;
  if (!negative && magnitude > static_cast<uint64_t>(INT64_MAX)) return false;
  if (negative && magnitude > static_cast<uint64_t>(INT64_MAX) + 1) return false;
  out = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

}  // namespace

std::string Trim(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool SameText(const std::string& a, const std::string& b) { return LowerCase(a) == LowerCase(b); }

int ParseInteger(const std::string& text) {
  int64_t value = 0;
  if (!ParseWholeInteger(text, value) || value < INT32_MIN || value > INT32_MAX) throw NotInteger(text);
  return static_cast<int>(value);
}

int64_t ParseInteger64(const std::string& text) {
  int64_t value = 0;
  if (!ParseWholeInteger(text, value)) throw NotInteger(text);
  return value;
}

double ParseDecimal(const std::string& text) {
  const std::string body = Trim(text);
  double value = 0;
  const char* first = body.data();
  if (!body.empty() && body[0] == '+') ++first;  // from_chars does not take a plus sign
  const auto [end, ec] = std::from_chars(first, body.data() + body.size(), value);
  if (body.empty() || ec != std::errc() || end != body.data() + body.size() || !std::isfinite(value))
    throw FFmpegException::Format("'%s' is not a valid floating point value", text.c_str());
  return value;
}

bool ParseSwitch(const std::string& text) { return text != "0"; }

int64_t ParseTimeUs(const std::string& option, const std::string& value, bool isDuration) {
  int64_t us = 0;
  if (av_parse_time(&us, value.c_str(), isDuration ? 1 : 0) < 0)
    throw FFmpegException::Format("Invalid %s specification for %s: %s",
                                  isDuration ? "duration" : "date", option.c_str(), value.c_str());
  return us;
}

long ReadLeadingInteger(const std::string& text, size_t& pos) {
  if (pos >= text.size()) return 0;
  const char* start = text.c_str() + pos;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(start, &end, 0);
  pos += static_cast<size_t>(end - start);
  return value;
}

uint32_t MakeTag(const std::string& fourChars) {
  const auto c = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(fourChars[i])); };
  return c(0) | (c(1) << 8) | (c(2) << 16) | (c(3) << 24);
}

}  // namespace zanto::engine
