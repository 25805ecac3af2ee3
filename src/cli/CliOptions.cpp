#include "cli/CliOptions.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <stdexcept>

namespace zanto::cli {
namespace {

std::optional<double> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

std::optional<int> ParseInt(const std::string& text) {
  int value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<int64_t> ParseTimeUs(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, ':')) parts.push_back(part);
  if (parts.empty() || parts.size() > 3 || text.back() == ':') return std::nullopt;
  double seconds = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    std::optional<double> v;
    if (last) {
      v = ParseNumber(parts[i]);
    } else if (const auto whole = ParseInt(parts[i])) {
      v = *whole;
    }
    if (!v || *v < 0) return std::nullopt;
    if (!last && i > 0 && *v >= 60) return std::nullopt;
    if (last && parts.size() > 1 && *v >= 60) return std::nullopt;
    seconds = seconds * 60 + *v;
  }
  return static_cast<int64_t>(std::llround(seconds * 1e6));
}

TCliOptions ParseCommandLine(const std::vector<std::string>& args) {
  TCliOptions o;
  const auto value = [&](size_t& i, const std::string& name) -> std::string {
    if (i + 1 >= args.size()) throw std::invalid_argument("Option " + name + " needs a value");
    return args[++i];
  };
  bool filesOnly = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (filesOnly || a.empty() || a[0] != '-' || a == "-") {
      o.Files.push_back(a);
    } else if (a == "--") {
      filesOnly = true;
    } else if (a == "--help" || a == "-h") {
      o.Help = true;
    } else if (a == "--list-formats") {
      o.ListFormats = true;
    } else if (a == "--format") {
      const std::string v = value(i, a);
      const auto code = ParseInt(v);
      if (!code || *code < 0) throw std::invalid_argument("Bad format code '" + v + "'");
      o.FormatCode = code;
    } else if (a == "--output-dir") {
      o.OutputDir = value(i, a);
    } else if (a == "--settings") {
      o.SettingsFile = value(i, a);
    } else if (a == "--trim-start" || a == "--trim-end") {
      const std::string v = value(i, a);
      const auto t = ParseTimeUs(v);
      if (!t) throw std::invalid_argument("Bad time '" + v + "' for " + a);
      (a == "--trim-start" ? o.TrimStartUs : o.TrimEndUs) = t;
    } else if (a == "--crop") {
      const std::string v = value(i, a);
      std::vector<int> n;
      std::stringstream in(v);
      std::string part;
      while (std::getline(in, part, ':')) {
        const auto x = ParseInt(part);
        if (!x || *x < 0) throw std::invalid_argument("Bad crop '" + v + "': use T:B:L:R");
        n.push_back(*x);
      }
      if (n.size() != 4) throw std::invalid_argument("Bad crop '" + v + "': use T:B:L:R");
      o.HasCrop = true;
      // The picture is cut in whole chroma pairs.
      o.CropTop = n[0] & ~1;
      o.CropBottom = n[1] & ~1;
      o.CropLeft = n[2] & ~1;
      o.CropRight = n[3] & ~1;
    } else if (a == "--zoom") {
      const std::string v = value(i, a);
      if (v != "full" && v != "lbox" && v != "pan")
        throw std::invalid_argument("Bad zoom '" + v + "': use full, lbox or pan");
      o.Zoom = v;
    } else {
      throw std::invalid_argument("Unknown option " + a + " (see --help)");
    }
  }
  if (o.TrimStartUs && o.TrimEndUs && *o.TrimEndUs <= *o.TrimStartUs)
    throw std::invalid_argument("--trim-end must be after --trim-start");
  if (!o.Help && !o.ListFormats && o.Files.empty())
    throw std::invalid_argument("No input file given (see --help)");
  return o;
}

std::string UsageText() {
  return R"USAGE(Usage: zanto-convert [options] FILE...
Converts each FILE into the current output format of the settings file.

Options:
  --format CODE        convert to the format with this catalogue code (see --list-formats)
                       instead of the settings' current format
  --output-dir DIR     write the converted files into DIR (created when missing) instead of
                       the settings' output folder
  --trim-start TIME    start each conversion at TIME (seconds, or HH:MM:SS[.mmm])
  --trim-end TIME      end each conversion at TIME
  --crop T:B:L:R       cut T, B, L and R source pixels at the top, bottom, left and right
                       (rounded down to even numbers)
  --zoom full|lbox|pan fit the picture by stretching (full), with black bars (lbox) or by
                       cutting the sides (pan), instead of the format's own choice
  --settings FILE      use FILE as the settings file
  --list-formats       print the catalogue: each format's code, a tab and its caption
  -h, --help           show this text

Output files are named after their sources with "_(new)" (or "_(new_N)") and the format's
extension; an existing file is never overwritten. Ctrl-C stops the batch: the file being
converted is closed properly and stays playable.

Exit status: 0 when every file converted, 1 when a file failed, 2 for a bad command line,
130 when interrupted.
)USAGE";
}

}  // namespace zanto::cli
