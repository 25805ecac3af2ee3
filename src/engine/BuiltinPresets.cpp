#include "engine/BuiltinPresets.h"

#include <array>
#include <sstream>
#include <utility>

#include "engine/OptionValues.h"

namespace zanto::engine {

namespace {

// The rows as they have always been written (older option names included); BuiltinPresets()
// translates them once. Rows that describe device profiles also spell out what older encoder
// wrappers did by default (no 8x8 transform, no B-frames for the iPod), since today's libx264
// defaults would raise the profile beyond what those players decode.
constexpr const char* kMediumRow =
    "coder=1\nflags=+loop\ncmp=+chroma\npartitions=+parti8x8+parti4x4+partp8x8+partb8x8\n"
    "me_method=hex\nsubq=7\nme_range=16\ng=250\nkeyint_min=25\nsc_threshold=40\ni_qfactor=0.71\n"
    "b_strategy=1\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nbf=3\nrefs=3\ndirectpred=1\ntrellis=1\n"
    "flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip\nwpredp=2";

// Shared by psp, ps3 and mp4; {maxrate} and {b} vary.
std::string PlaystationRow(const char* bitRateLine, const char* maxRate) {
  return std::string(
             "coder=1\nflags=+loop\nlevel=30\ncmp=+chroma\npartitions=+parti4x4+parti8x8+partp8x8+partb8x8\n"
             "me_method=umh\nsubq=7\nme_range=16\ng=250\nkeyint_min=25\nsc_threshold=40\ni_qfactor=0.71\n"
             "b_strategy=1\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nbf=3\nrefs=1\ndirectpred=1\ntrellis=2\n") +
         bitRateLine + "maxrate=" + maxRate + "\nbufsize=4000000\nbt=256000\nsc_threshold=40\nflags2=-dct8x8";
}

// A speed preset of the encoder itself; the first-pass variants analyse less, since the first
// of two passes only gathers statistics.
std::string SpeedRow(const char* speed, bool firstPass = false, bool lossless = false) {
  std::string row = std::string("preset=") + speed;
  if (lossless) row += "\nqp=0";
  if (firstPass) row += "\nfastfirstpass=1\nrefs=1\nsubq=2\ntrellis=0\npartitions=none\nme_method=dia\nflags2=-dct8x8";
  return row;
}

std::vector<TOptionsPreset> MakeRows() {
  std::vector<TOptionsPreset> rows = {
      {"libx264-baseline", "coder=0\nbf=0\nflags2=-wpred-dct8x8\nwpredp=0"},
      {"libx264-default", SpeedRow("medium")},
      {"libx264-fast", SpeedRow("fast")},
      {"libx264-fast_firstpass", SpeedRow("fast", true)},
      {"libx264-faster", SpeedRow("faster")},
      {"libx264-faster_firstpass", SpeedRow("faster", true)},
      {"libx264-fastfirstpass", SpeedRow("medium", true)},
      {"libx264-hq", SpeedRow("slow")},
      {"libx264-ipod320",
       "coder=0\nbf=0\nflags2=-wpred-dct8x8\nlevel=13\nmaxrate=768000\nbufsize=3000000\nwpredp=0"},
      {"libx264-ipod640",
       "coder=0\nbf=0\nrefs=1\nflags2=-wpred-dct8x8\nlevel=30\nmaxrate=10000000\nbufsize=10000000\nwpredp=0"},
      {"libx264-lossless_fast", SpeedRow("fast", false, true)},
      {"libx264-lossless_max", SpeedRow("placebo", false, true)},
      {"libx264-lossless_medium", SpeedRow("medium", false, true)},
      {"libx264-lossless_slow", SpeedRow("slow", false, true)},
      {"libx264-lossless_slower", SpeedRow("slower", false, true)},
      {"libx264-lossless_ultrafast", SpeedRow("ultrafast", false, true)},
      {"libx264-main", "flags2=-dct8x8"},
      {"libx264-max", SpeedRow("placebo")},
      {"libx264-medium", kMediumRow},
      {"libx264-medium_firstpass", std::string(kMediumRow) + "\n" + SpeedRow("medium", true)},
      {"libx264-normal", SpeedRow("medium")},
      {"libx264-placebo", SpeedRow("placebo")},
      {"libx264-placebo_firstpass", SpeedRow("placebo", true)},
      {"libx264-slow", SpeedRow("slow")},
      {"libx264-slow_firstpass", SpeedRow("slow", true)},
      {"libx264-slower", SpeedRow("slower")},
      {"libx264-slower_firstpass", SpeedRow("slower", true)},
      {"libx264-slowfirstpass", SpeedRow("slow", true)},
      {"libx264-superfast", SpeedRow("superfast")},
      {"libx264-superfast_firstpass", SpeedRow("superfast", true)},
      {"libx264-ultrafast", SpeedRow("ultrafast")},
      {"libx264-ultrafast_firstpass", SpeedRow("ultrafast", true)},
      {"libx264-veryfast", SpeedRow("veryfast")},
      {"libx264-veryfast_firstpass", SpeedRow("veryfast", true)},
      {"libx264-veryslow", SpeedRow("veryslow")},
      {"libx264-veryslow_firstpass", SpeedRow("veryslow", true)},
      {"libx264-psp", PlaystationRow("b=1250000\n", "1500000")},
      {"libx264-ps3", PlaystationRow("", "3500000")},
      {"libx264-ipod",
       "coder=0\nflags=+loop\nlevel=30\ncmp=+chroma\npartitions=+parti4x4+parti8x8+partp8x8\n"
       "me_method=umh\nsubq=7\nme_range=16\ng=250\nkeyint_min=25\nsc_threshold=40\ni_qfactor=0.71\n"
       "b_strategy=1\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nrefs=1\ndirectpred=1\ntrellis=2\n"
       "b=1000000\nmaxrate=1250000\nbufsize=4000000\nbt=256000\nsc_threshold=40\n"
       "bf=0\nflags2=-wpred-dct8x8\nwpredp=0"},
      {"libx264-mp4", PlaystationRow("b=1250000\n", "1500000")},
  };
  for (TOptionsPreset& row : rows) row.Options = TranslatePresetText(row.Options);
  return rows;
}

struct TFlagWord {
  const char* Word;    // the flags2 word of older builds
  const char* Option;  // the wrapper's own option today
  const char* On;
  const char* Off;
};

constexpr std::array<TFlagWord, 9> kFlags2Words = {{
    {"wpred", "weightb", "1", "0"},
    {"dct8x8", "8x8dct", "1", "0"},
    {"bpyramid", "b-pyramid", "normal", "none"},
    {"mixed_refs", "mixed-refs", "1", "0"},
    {"fastpskip", "fast-pskip", "1", "0"},
    {"aud", "aud", "1", "0"},
    {"mbtree", "mbtree", "1", "0"},
    {"psy", "psy", "1", "0"},
    {"ssim", "ssim", "1", "0"},
}};

constexpr std::array<std::pair<const char*, const char*>, 5> kPartitionWords = {{
    {"parti4x4", "i4x4"}, {"parti8x8", "i8x8"}, {"partp4x4", "p4x4"}, {"partp8x8", "p8x8"}, {"partb8x8", "b8x8"},
}};

// "+a-b+c" into signed words; a word without a sign counts as "+".
std::vector<std::pair<char, std::string>> SignedWords(const std::string& value) {
  std::vector<std::pair<char, std::string>> words;
  for (size_t i = 0; i < value.size();) {
    char sign = '+';
    if (value[i] == '+' || value[i] == '-') sign = value[i++];
    const size_t end = value.find_first_of("+-", i);
    const std::string word = Trim(value.substr(i, end == std::string::npos ? std::string::npos : end - i));
    if (!word.empty()) words.emplace_back(sign, word);
    i = end == std::string::npos ? value.size() : end;
  }
  return words;
}

void TranslateLine(const std::string& name, const std::string& value, std::ostringstream& out) {
  const std::string key = LowerCase(Trim(name));
  if (key == "flags2") {
    std::string rest;
    for (const auto& [sign, word] : SignedWords(value)) {
      bool mapped = false;
      for (const TFlagWord& flag : kFlags2Words) {
        if (word != flag.Word) continue;
        out << flag.Option << '=' << (sign == '+' ? flag.On : flag.Off) << '\n';
        mapped = true;
      }
      if (!mapped) rest += sign + word;
    }
    if (!rest.empty()) out << name << '=' << rest << '\n';
    return;
  }
  if (key == "directpred") {
    out << "direct-pred=" << value << '\n';
    return;
  }
  if (key == "partitions" && value.find("part") != std::string::npos) {
    std::string list;
    for (const auto& [sign, word] : SignedWords(value))
      for (const auto& [old, now] : kPartitionWords)
        if (sign == '+' && word == old) list += (list.empty() ? "" : ",") + std::string(now);
    out << name << '=' << (list.empty() ? "none" : list) << '\n';
    return;
  }
  out << name << '=' << value << '\n';
}

}  // namespace

std::string TranslatePresetText(const std::string& text) {
  std::ostringstream out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos || Trim(line).empty()) {
      if (!Trim(line).empty()) out << line << '\n';
      continue;
    }
    TranslateLine(line.substr(0, eq), line.substr(eq + 1), out);
  }
  std::string result = out.str();
  if (!result.empty() && result.back() == '\n') result.pop_back();
  return result;
}

const std::vector<TOptionsPreset>& BuiltinPresets() {
  static const std::vector<TOptionsPreset> rows = MakeRows();
  return rows;
}

const TOptionsPreset* FindBuiltinPreset(const std::string& name) {
  for (const TOptionsPreset& row : BuiltinPresets())
    if (SameText(row.Name, name)) return &row;
  return nullptr;
}

}  // namespace zanto::engine
