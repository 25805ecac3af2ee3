#include "app/OutputFolder.h"

#include "platform/DriveType.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

namespace zanto::app {

std::string OutputFolderPath(const std::string& boxText) {
  return platform::MapWindowsPath(boxText);
}

bool AcceptBrowsedFolder(TSettings& settings, std::string& boxText, const std::string& selectedDir) {
  if (selectedDir.empty() || selectedDir == boxText) return false;
  settings.SetOutPutDir(selectedDir);
  boxText = selectedDir;
  return true;
}

bool OpenOutputFolder(const TSettings& settings, const std::string& boxText) {
  if (boxText.size() <= 2) return false;
  return platform::TShell::OpenFolder(OutputFolderPath(settings.OutPutDir()));
}

std::string AcceptChosenFolder(const std::string& appTitle, const std::string& folder) {
  if (platform::IsCdRomPath(folder)) {
    platform::TMessageBox::Show(
        "Output folder cannot be located in CD-ROM.Please select another folder.", appTitle,
        platform::MB_OK | platform::MB_ICONINFORMATION);
    return {};
  }
  return folder;
}

}  // namespace zanto::app
