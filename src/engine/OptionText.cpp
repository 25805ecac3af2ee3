#include "engine/OptionText.h"

#include <array>

#include "engine/OptionValues.h"

namespace zanto::engine {

namespace {

// Streams are added per output with their own group of options; never as an input's option.
constexpr std::array<const char*, 8> kNeverInput = {"newvideo", "newaudio", "newsubtitle", "apre",
                                                    "vpre",     "spre",     "vfilters",   "vf"};
// On an input these select the decoder or state the frame size; an output takes them per stream.
constexpr std::array<const char*, 4> kInputOnly = {"acodec", "vcodec", "scodec", "s"};

template <size_t N>
bool Contains(const std::array<const char*, N>& names, const std::string& name) {
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

}  // namespace

std::vector<TOptionLine> ParseOptionText(const std::string& text) {
  const std::string body = Trim(text);
  std::vector<TOptionLine> lines;
  const auto addLine = [&lines](const std::string& line) {
    if (line.empty()) return;
    const size_t eq = line.find('=');
    TOptionLine item;
    item.Name = LowerCase(line.substr(0, eq));
    if (eq != std::string::npos) item.Value = line.substr(eq + 1);
    lines.push_back(std::move(item));
  };

  static const std::string kLiteralBreak = "<CRLF>";
  std::string current;
  for (size_t i = 0; i < body.size();) {
    const char c = body[i];
    if (c == '\r' || c == '\n') {
      addLine(current);
      current.clear();
      i += (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') ? 2 : 1;
    } else if (c == '<' && body.compare(i, kLiteralBreak.size(), kLiteralBreak) == 0) {
      addLine(current);
      current.clear();
      i += kLiteralBreak.size();
    } else {
      current += c;
      ++i;
    }
  }
  addLine(current);
  return lines;
}

bool IsStreamGroupName(const std::string& name) {
  return Contains(kNeverInput, name) || Contains(kInputOnly, name);
}

bool AppliesAsInputOption(const std::string& name) { return !Contains(kNeverInput, name); }

bool AppliesAsOutputOption(const std::string& name) { return !IsStreamGroupName(name); }

}  // namespace zanto::engine
