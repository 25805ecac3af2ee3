#include "formats/NumberText.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>

namespace zanto::formats {
namespace {

std::optional<int> ParseWhole(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  int base = 10;
  if (pos < text.size() && (text[pos] == '$' || text[pos] == 'x' || text[pos] == 'X')) {
    base = 16;
    ++pos;
  } else if (pos + 1 < text.size() && text[pos] == '0' &&
             (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  if (pos >= text.size()) return std::nullopt;
  // Parse the digits as an unsigned magnitude so that INT_MIN and the sign are handled alike.
  uint64_t magnitude = 0;
  const char* first = text.data() + pos;
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, magnitude, base);
  if (error != std::errc() || end != last) return std::nullopt;
  if (base == 16) {
    // A hexadecimal literal names a 32-bit pattern ("$FFFFFFFF" is -1).
    if (magnitude > 0xFFFFFFFFull) return std::nullopt;
    // Negated as a bit pattern: "-$80000000" has no positive twin to negate.
    const auto bits = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
  }
  if (negative) {
    if (magnitude > 2147483648ull) return std::nullopt;
    return static_cast<int>(-static_cast<int64_t>(magnitude));
  }
  if (magnitude > 2147483647ull) return std::nullopt;
  return static_cast<int>(magnitude);
}

std::optional<double> ParseDecimal(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (pos < text.size() && text[pos] == '+') {
    ++pos;
    // One sign only: "+-5" is no number.
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) return std::nullopt;
  }
  if (pos >= text.size()) return std::nullopt;
  // Only digits, point, sign and exponent: from_chars would also take "inf" and "nan".
  if (text.find_first_not_of("0123456789.eE+-", pos) != std::string::npos) return std::nullopt;
  // from_chars is locale-independent and reads "." as the decimal point.
  double value = 0;
  const char* last = text.data() + text.size();
  const auto [end, error] =
      std::from_chars(text.data() + pos, last, value, std::chars_format::general);
  if (error != std::errc() || end != last) return std::nullopt;
  return value;
}

}  // namespace

bool IsWholeNumber(const std::string& text) { return ParseWhole(text).has_value(); }
int WholeNumberValue(const std::string& text) { return ParseWhole(text).value_or(0); }

bool IsDecimalNumber(const std::string& text) { return ParseDecimal(text).has_value(); }
double DecimalNumberValue(const std::string& text) { return ParseDecimal(text).value_or(0.0); }

}  // namespace zanto::formats
