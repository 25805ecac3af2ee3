// The value-list splitter and the number checks of the INI texts, each against an independent
// reading of the same text.
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <climits>
#include <string>

#include "formats/FormatStore.h"
#include "formats/NumberText.h"

using namespace zanto::formats;

namespace {

void CheckValueList(const std::string& text, bool emptyIsNoList) {
  const TValueList list = SplitValueList(text, emptyIsNoList);
  if (text == "null" || (emptyIsNoList && text.empty())) {
    if (!list.NoList || !list.Entries.empty()) std::abort();
    return;
  }
  if (list.NoList) std::abort();
  // Joining the entries with commas gives the text back.
  std::string joined;
  for (size_t i = 0; i < list.Entries.size(); ++i) joined += (i ? "," : "") + list.Entries[i];
  if (joined != text) std::abort();
  const size_t commas = static_cast<size_t>(std::count(text.begin(), text.end(), ','));
  if (list.Entries.size() != (text.empty() ? 0 : commas + 1)) std::abort();
}

// Blanks, an optional sign and decimal digits only: the C library decides the value.
bool IsPlainDecimalInteger(const std::string& text) {
  size_t pos = text.find_first_not_of(' ');
  if (pos == std::string::npos) return false;
  if (text[pos] == '+' || text[pos] == '-') ++pos;
  return pos < text.size() && text.find_first_not_of("0123456789", pos) == std::string::npos;
}

void CheckWholeNumber(const std::string& text) {
  const bool whole = IsWholeNumber(text);
  const int value = WholeNumberValue(text);
  if (!whole && value != 0) std::abort();
  if (IsPlainDecimalInteger(text)) {
    errno = 0;
    const long long expected = std::strtoll(text.c_str(), nullptr, 10);
    const bool fits = errno != ERANGE && expected >= INT32_MIN && expected <= INT32_MAX;
    if (whole != fits) std::abort();
    if (fits && value != expected) std::abort();
  }
}

void CheckDecimalNumber(const std::string& text) {
  const bool decimal = IsDecimalNumber(text);
  const double value = DecimalNumberValue(text);
  if (!decimal) {
    if (value != 0.0) std::abort();
    return;
  }
  // Accepted text holds nothing the C reader would stop at, and both read the same value
  // (this process never changes the C locale, so "." is its decimal point too).
  if (text.find_first_not_of(" +-.0123456789eE") != std::string::npos) std::abort();
  char* end = nullptr;
  const double expected = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) std::abort();
  if (!(value == expected || (std::isnan(value) && std::isnan(expected)))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckValueList(text, false);
  CheckValueList(text, true);
  CheckWholeNumber(text);
  CheckDecimalNumber(text);
  return 0;
}
