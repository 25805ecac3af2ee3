#pragma once
// The value parsers of the option vocabulary. Every failure raises FFmpegException with the
// text the user sees ("'%s' is not a valid integer value", "Invalid duration specification for
// t: x", ...). Numbers always use "." as the decimal point, whatever the locale.
#include <cstdint>
#include <string>

namespace zanto::engine {

std::string Trim(const std::string& text);
std::string LowerCase(std::string text);
bool SameText(const std::string& a, const std::string& b);

// Decimal integer, optionally signed, surrounding blanks allowed; "$1F" and "0x1F" hexadecimal.
int ParseInteger(const std::string& text);
int64_t ParseInteger64(const std::string& text);
// A decimal number such as "0.5", "1e3" or "-2".
double ParseDecimal(const std::string& text);
// "0" is False; any other value, including an empty one, is True.
bool ParseSwitch(const std::string& text);
// A duration ("01:02:03.5", "90", "1.5") or, with isDuration false, a date ("now", ISO dates)
// in microseconds; failure: "Invalid duration|date specification for <option>: <value>".
int64_t ParseTimeUs(const std::string& option, const std::string& value, bool isDuration);

// Reads an integer the way C's strtol does with base 0 (decimal, 0x hexadecimal, leading-0
// octal), as far as the text forms a number; pos advances past it. 0 when nothing is read.
long ReadLeadingInteger(const std::string& text, size_t& pos);

// Four characters to a tag (first character in the low byte), the layout stream tags use.
uint32_t MakeTag(const std::string& fourChars);

}  // namespace zanto::engine
