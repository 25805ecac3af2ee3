#include "platform/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace zanto::platform {
namespace {

// The file as lines, with what is needed to write it back as it was.
struct IniText {
  std::vector<std::string> Lines;
  std::string Bom;           // a UTF-8 byte order mark that opened the file
  std::string Eol = "\n";    // "\r\n" when the file used it
  bool Exists = false;
};

std::string Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return std::string(s.substr(first, last - first + 1));
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

IniText Load(const std::string& fileName) {
  IniText text;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return text;
  text.Exists = true;
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string all = buffer.str();
  if (all.rfind("\xEF\xBB\xBF", 0) == 0) {
    text.Bom = all.substr(0, 3);
    all.erase(0, 3);
  }
  if (all.find("\r\n") != std::string::npos) text.Eol = "\r\n";
  std::string line;
  for (char c : all) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      text.Lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) {
    if (line.back() == '\r') line.pop_back();
    text.Lines.push_back(line);
  }
  return text;
}

// "[name]" with blanks allowed around it; nullopt when the line is no section header.
std::optional<std::string> SectionName(const std::string& line) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  const auto close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(std::string_view(t).substr(1, close - 1));
}

// The key of a "key=value" line; nullopt for comments and lines without "=".
std::optional<std::string> KeyName(const std::string& line) {
  const std::string t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#') return std::nullopt;
  const auto eq = line.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return Trim(std::string_view(line).substr(0, eq));
}

struct Position {
  std::ptrdiff_t Section = -1;  // line of the section header
  std::ptrdiff_t End = -1;      // one past the section's last key line
  std::ptrdiff_t Key = -1;      // line of the key, -1 when absent
};

// Names are compared without the blanks around them, as they are read from the file.
Position Find(const IniText& text, const std::string& sectionName, const std::string& keyName) {
  const std::string section = Trim(sectionName);
  const std::string key = Trim(keyName);
  Position pos;
  bool inSection = false;
  for (std::size_t i = 0; i < text.Lines.size(); ++i) {
    if (auto name = SectionName(text.Lines[i])) {
      if (inSection) break;  // the first section of that name is the one read and written
      inSection = SameText(*name, section);
      if (inSection) pos.Section = pos.End = static_cast<std::ptrdiff_t>(i) + 1;
      continue;
    }
    if (!inSection) continue;
    if (auto k = KeyName(text.Lines[i])) {
      pos.End = static_cast<std::ptrdiff_t>(i) + 1;
      if (pos.Key < 0 && SameText(*k, key)) pos.Key = static_cast<std::ptrdiff_t>(i);
    }
  }
  if (pos.Section >= 0) pos.Section -= 1;
  return pos;
}

std::string ValueOf(const std::string& line) {
  std::string v = Trim(std::string_view(line).substr(line.find('=') + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

void Save(const std::string& fileName, const IniText& text) {
  std::string out = text.Bom;
  for (const auto& line : text.Lines) out += line + text.Eol;
  const auto fail = [&] { throw TIniWriteError("Unable to write to " + fileName); };
  // Write a sibling file and rename it over the original, so a failure never leaves the
  // settings half written. Where the folder refuses new files, rewrite in place.
  const std::string temp = fileName + ".tmp~";
  {
    std::ofstream tmp(temp, std::ios::binary | std::ios::trunc);
    if (tmp) {
      tmp << out;
      tmp.flush();
      if (tmp) {
        tmp.close();
        std::error_code ec;
        if (text.Exists) {
          const auto perms = std::filesystem::status(fileName, ec).permissions();
          if (!ec) std::filesystem::permissions(temp, perms, ec);
          // A read-only settings file stays unwritten, as it would be on any system.
          if (access(fileName.c_str(), W_OK) != 0) {
            std::filesystem::remove(temp, ec);
            fail();
          }
        }
        std::filesystem::rename(temp, fileName, ec);
        if (!ec) return;
      }
    }
    std::error_code ec;
    std::filesystem::remove(temp, ec);
  }
  std::ofstream direct(fileName, std::ios::binary | std::ios::trunc);
  if (!direct) fail();
  direct << out;
  direct.flush();
  if (!direct) fail();
}

std::string FormatFloat(double value) {
  char buf[64];
  // %g with the C locale's "." whatever the user's locale.
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : FileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  const IniText text = Load(FileName_);
  const Position pos = Find(text, section, key);
  if (pos.Key < 0) return defaultValue;
  return ValueOf(text.Lines[pos.Key]);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key,
                          int defaultValue) const {
  const std::string v = Trim(ReadString(section, key, ""));
  if (v.empty()) return defaultValue;
  const char* begin = v.data();
  if (*begin == '+') ++begin;
  int result = 0;
  auto [ptr, ec] = std::from_chars(begin, v.data() + v.size(), result);
  if (ec != std::errc() || ptr != v.data() + v.size()) return defaultValue;
  return result;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key,
                           double defaultValue) const {
  const std::string v = Trim(ReadString(section, key, ""));
  if (v.empty()) return defaultValue;
  double result = 0;
  auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), result);
  if (ec != std::errc() || ptr != v.data() + v.size()) return defaultValue;
  return result;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  return Find(Load(FileName_), section, key).Key >= 0;
}

bool TIniFile::SectionExists(const std::string& section) const {
  return Find(Load(FileName_), section, "").Section >= 0;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
  const IniText text = Load(FileName_);
  const Position pos = Find(text, section, "");
  std::vector<std::string> keys;
  if (pos.Section < 0) return keys;
  for (std::ptrdiff_t i = pos.Section + 1; i < pos.End; ++i) {
    auto k = KeyName(text.Lines[i]);
    if (!k) continue;
    if (std::none_of(keys.begin(), keys.end(), [&](const std::string& e) { return SameText(e, *k); }))
      keys.push_back(*k);
  }
  return keys;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  IniText text = Load(FileName_);
  const Position pos = Find(text, section, key);
  const std::string line = Trim(key) + "=" + value;
  if (pos.Key >= 0) {
    text.Lines[pos.Key] = line;
  } else if (pos.Section >= 0) {
    text.Lines.insert(text.Lines.begin() + pos.End, line);
  } else {
    if (!text.Lines.empty() && !Trim(text.Lines.back()).empty()) text.Lines.push_back("");
    text.Lines.push_back("[" + Trim(section) + "]");
    text.Lines.push_back(line);
  }
  Save(FileName_, text);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, FormatFloat(value));
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  IniText text = Load(FileName_);
  const Position pos = Find(text, section, key);
  if (pos.Key < 0) return;
  text.Lines.erase(text.Lines.begin() + pos.Key);
  Save(FileName_, text);
}

}  // namespace zanto::platform
