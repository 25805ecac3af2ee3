#include "app/Settings.h"

namespace zanto::app {

std::string TSettings::OutPutDir() const {
  return Ini_.ReadString(kSettingsSection, "OutPutDir", kDefaultOutputDir);
}
void TSettings::SetOutPutDir(const std::string& dir) {
  Ini_.WriteString(kSettingsSection, "OutPutDir", dir);
}
int TSettings::FormatCode() const { return Ini_.ReadInteger(kSettingsSection, "FormatCode", 1); }
std::string TSettings::FormatName() const {
  return Ini_.ReadString(kSettingsSection, "FormatName", "iPod Video MPEG-4");
}
int TSettings::OutPutFormat() const { return Ini_.ReadInteger(kSettingsSection, "OutPutFormat", 0); }
int TSettings::SkinIndex() const { return Ini_.ReadInteger(kSettingsSection, "skinIndex", 0); }
void TSettings::SetSkinIndex(int index) { Ini_.WriteInteger(kSettingsSection, "skinIndex", index); }

int TSettings::Volume() const {
  const int v = Ini_.ReadInteger(kSettingsSection, "volume", 0);
  return (v < 0 || v > 128) ? 64 : v;
}
void TSettings::SetVolume(int volume) { Ini_.WriteInteger(kSettingsSection, "volume", volume); }
int TSettings::Mute() const { return Ini_.ReadInteger(kSettingsSection, "mute", 0); }
void TSettings::SetMute(bool muted) { Ini_.WriteInteger(kSettingsSection, "mute", muted ? 1 : 0); }
int TSettings::Priority() const { return Ini_.ReadInteger(kSettingsSection, "priority", 1); }
void TSettings::SetPriority(int priority) {
  Ini_.WriteInteger(kSettingsSection, "priority", priority);
}
std::string TSettings::SnapOutPutDir() const {
  return Ini_.ReadString(kSettingsSection, "SnapOutPutDir", kDefaultSnapshotDir);
}
void TSettings::SetSnapOutPutDir(const std::string& dir) {
  Ini_.WriteString(kSettingsSection, "snapOutPutDir", dir);
}
bool TSettings::SnapFullSize() const { return Ini_.ReadInteger(kSettingsSection, "snapFullSize", 1) == 1; }
bool TSettings::SnapSmallSize() const { return Ini_.ReadInteger(kSettingsSection, "snapSmallSize", 1) == 1; }
bool TSettings::SnapBmp() const { return Ini_.ReadInteger(kSettingsSection, "snapBmp", 1) == 1; }
bool TSettings::SnapJpg() const { return Ini_.ReadInteger(kSettingsSection, "snapJpg", 1) == 1; }
int TSettings::JpgCmp() const { return Ini_.ReadInteger(kSettingsSection, "jpgCmp", 30); }
void TSettings::SetJpgCmp(int quality) {
  if (quality > 0) Ini_.WriteInteger(kSettingsSection, "jpgCmp", quality);
}

}  // namespace zanto::app
