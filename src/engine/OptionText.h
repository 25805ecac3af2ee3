#pragma once
// Option text: the ExtOptions of the option records, one "name=value" a line.
#include <string>
#include <vector>

namespace zanto::engine {

struct TOptionLine {
  std::string Name;   // lower-cased, not trimmed
  std::string Value;  // unchanged; empty when the line has no "="
};

// The text is trimmed; CR LF, CR, LF and the literal "<CRLF>" all break lines; empty lines are
// dropped; each line is split at its first "=".
std::vector<TOptionLine> ParseOptionText(const std::string& text);

// Names that reach an output through its stream groups (codec, preset, size, filters) rather
// than as plain options.
bool IsStreamGroupName(const std::string& name);

// Whether ApplyOptionText hands a line of that name to the dispatcher.
bool AppliesAsInputOption(const std::string& name);
bool AppliesAsOutputOption(const std::string& name);

}  // namespace zanto::engine
