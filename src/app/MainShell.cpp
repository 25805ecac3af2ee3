#include "app/MainShell.h"

#include <filesystem>

#include "app/VersionText.h"
#include "formats/SettingsFile.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

namespace zanto::app {

TMainShell::TMainShell() {
  ApplyEditions(Global_, platform::ProgramFolder());
  // The settings file belongs beside the program; where that folder is read-only (an installed
  // program), the user's own configuration folder holds it instead.
  Global_.SetSettingsFileName(platform::WritableProgramFile(
      std::filesystem::path(Global_.SettingsFileName).filename().string()));
  // A first start gets the shipped initial choices; an existing file is never replaced.
  try {
    formats::EnsureSettingsFile(platform::ProgramFolder() + kDefaultSettingsFile,
                                Global_.SettingsFileName);
  } catch (const std::exception&) {
    // An unwritable settings file reads as defaults; writes report the error when they happen.
  }
  Settings_ = std::make_unique<TSettings>(Global_.SettingsFileName);
}

int TMainShell::InitialSkin() const {
  const int index = Settings_->SkinIndex();
  return (index >= 0 && index < kSkinCount) ? index : -1;
}

TMainShell::TShowState TMainShell::Show() {
  Global_.SetVersionText(BuildVersionText());
  TShowState state;
  state.Caption = Global_.AppTitle + Global_.VersionText;
  state.OutputDir = Settings_->OutPutDir();
  state.Volume = Settings_->Volume();
  state.Muted = Settings_->Mute() == 1;
  return state;
}

bool TMainShell::CloseQuery() {
  if (ExitWithoutAsking_) return true;
  return platform::TMessageBox::Show("Do you really want to exit?", "Warning",
                                     platform::MB_YESNO | platform::MB_ICONQUESTION) ==
         platform::IDYES;
}

int TMainShell::CurrentSkin() const { return Settings_->SkinIndex(); }

bool TMainShell::ChooseSkin(int index) {
  if (index < 0 || index >= kSkinCount || index == CurrentSkin()) return false;
  Settings_->SetSkinIndex(index);
  return true;
}

}  // namespace zanto::app
