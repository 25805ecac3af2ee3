// Arbitrary bytes as a settings file: every read answers, a write keeps the other lines, and a
// value written is the value read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/IniFile.h"

using zanto::platform::TIniFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string file = "/tmp/zanto-ini-fuzz-" + std::to_string(getpid()) + ".ini";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  TIniFile ini(file);
  (void)ini.ReadString("settings", "volume", "d");
  (void)ini.ReadInteger("settings", "volume", 0);
  (void)ini.ReadFloat("formatInfo1", "paraVideoFrameRate", 0);
  (void)ini.ReadSection("settings");
  // Take a section and key from the input itself, so the writer meets odd names too.
  const std::string section = bytes.substr(0, std::min<size_t>(size, 6));
  const std::string key = size > 6 ? bytes.substr(6, std::min<size_t>(size - 6, 5)) : "k";
  const bool sane = section.find_first_of("[]\r\n=") == std::string::npos &&
                    key.find_first_of("[]\r\n=;#") == std::string::npos &&
                    key.find_first_not_of(" \t") != std::string::npos &&
                    section.find_first_not_of(" \t") != std::string::npos;
  if (sane) {
    ini.WriteString(section, key, "value 1");
    if (ini.ReadString(section, key, "") != "value 1") std::abort();
  }
  ini.WriteInteger("settings", "volume", 64);
  if (ini.ReadInteger("settings", "volume", 0) != 64) std::abort();
  return 0;
}
