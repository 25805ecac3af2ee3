#pragma once
// Number checks for texts read from the INI files. They decide whether a stored value is used or
// a default applies, so they accept exactly the forms the files may hold and nothing more.
#include <string>

namespace zanto::formats {

// The whole text is a 32-bit signed integer: leading blanks and a sign allowed, decimal or
// hexadecimal with a "$", "x", "X", "0x" or "0X" prefix. The empty text is not a number.
bool IsWholeNumber(const std::string& text);
// The value of a text for which IsWholeNumber holds (0 otherwise).
int WholeNumberValue(const std::string& text);

// The whole text is a floating-point number with "." as decimal point, whatever the locale; an
// exponent is allowed. The empty text is not a number.
bool IsDecimalNumber(const std::string& text);
// The value of a text for which IsDecimalNumber holds (0 otherwise).
double DecimalNumberValue(const std::string& text);

}  // namespace zanto::formats
