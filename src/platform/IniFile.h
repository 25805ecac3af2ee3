#pragma once
// INI file access in the style of GetPrivateProfileString: every call opens the file, reads or
// writes one key and closes it again, so a value written anywhere is seen by the next read.
// Section and key names match without regard to case. A missing file or key reads as the
// caller's default. Writing creates file, section and key and keeps every other line as it was.
#include <stdexcept>
#include <string>
#include <vector>

namespace zanto::platform {

class TIniWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return FileName_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  // The whole value must be a decimal integer (optional sign, blanks around it); anything else,
  // "12abc" included, gives the default.
  int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
  // "." is the decimal point whatever the locale.
  double ReadFloat(const std::string& section, const std::string& key, double defaultValue) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  bool SectionExists(const std::string& section) const;
  // Key names of a section in file order (duplicates reported once).
  std::vector<std::string> ReadSection(const std::string& section) const;

  // Raise TIniWriteError("Unable to write to <path>") when the file cannot be written.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteFloat(const std::string& section, const std::string& key, double value);
  void DeleteKey(const std::string& section, const std::string& key);

 private:
  std::string FileName_;
};

}  // namespace zanto::platform
