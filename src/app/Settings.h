#pragma once
// The section "settings" of the settings file: each key read with its default and range rule
// on every access, each change written at once. Nothing is kept in memory.
#include <string>

#include "platform/IniFile.h"

namespace zanto::app {

inline constexpr const char* kSettingsSection = "settings";
inline constexpr const char* kDefaultOutputDir = "c:\\videoconverter";
inline constexpr const char* kDefaultSnapshotDir = "C:\\videoconverter";

class TSettings {
 public:
  explicit TSettings(std::string fileName) : Ini_(std::move(fileName)) {}

  const std::string& FileName() const { return Ini_.FileName(); }
  platform::TIniFile& Ini() { return Ini_; }

  std::string OutPutDir() const;             // "c:\videoconverter"
  void SetOutPutDir(const std::string& dir);
  int FormatCode() const;                    // 1
  std::string FormatName() const;            // "iPod Video MPEG-4"
  int OutPutFormat() const;                  // 0
  int SkinIndex() const;                     // 0
  void SetSkinIndex(int index);
  int Volume() const;                        // 0; outside 0..128 reads as 64
  void SetVolume(int volume);
  int Mute() const;                          // raw value, 0 by default (1 = muted)
  void SetMute(bool muted);
  int Priority() const;                      // 1
  void SetPriority(int priority);
  std::string SnapOutPutDir() const;         // "C:\videoconverter"
  void SetSnapOutPutDir(const std::string& dir);
  bool SnapFullSize() const;                 // 1
  bool SnapSmallSize() const;                // 1
  bool SnapBmp() const;                      // 1
  bool SnapJpg() const;                      // 1
  int JpgCmp() const;                        // 30
  void SetJpgCmp(int quality);               // written only when above 0

 private:
  platform::TIniFile Ini_;
};

}  // namespace zanto::app
