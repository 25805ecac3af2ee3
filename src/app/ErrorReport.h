#pragma once
// The report of every error that no window handles: a message box whose icon says what kind of
// error it was. The program keeps running afterwards.
#include <exception>
#include <string>

namespace zanto::app {

// The message with a full stop appended when its last character sorts above ".".
std::string ApplicationErrorText(const std::string& message);

enum class TErrorClass { Engine, AccessViolation, Other };
TErrorClass ClassifyError(const std::exception& error);

// Shows the report through the message-box seam with the application title as caption:
// engine errors with an exclamation icon, others with an error icon; access violations show
// nothing.
void ShowApplicationError(const std::string& appTitle, const std::exception& error);

}  // namespace zanto::app
