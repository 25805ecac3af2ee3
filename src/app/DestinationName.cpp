#include "app/DestinationName.h"

#include <filesystem>
#include <stdexcept>

#include "platform/MessageBox.h"
#include "platform/Paths.h"

namespace zanto::app {
namespace fs = std::filesystem;

std::string EnsureOutputFolder(TSettings& settings, const std::string& storedFolder,
                               const std::string& key) {
  const std::string folder = platform::MapWindowsPath(storedFolder);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!platform::DirectoryExists(folder)) {
    platform::TMessageBox::Show("Cannot create output directory:" + storedFolder +
                                    ".It will create default directory C:\\videoconverter!",
                                "Warning", platform::MB_OK);
    fs::create_directories(platform::MapWindowsPath(kDefaultOutputDir), ec);
    settings.Ini().WriteString(kSettingsSection, key, kDefaultOutputDir);
  }
  return folder;
}

namespace {

std::string FreeName(const std::string& folderPath, const std::string& sourcePath,
                     const std::string& suffix, const std::set<std::string>& taken) {
  const std::string folder = platform::IncludeTrailingSeparator(folderPath);
  const std::string base = folder + fs::path(sourcePath).stem().string();
  const auto isFree = [&](const std::string& name) {
    std::error_code ec;
    return !fs::exists(name, ec) && !taken.count(name);
  };
  std::string candidate = base + "_(new)" + suffix;
  for (int n = 1; !isFree(candidate); ++n) candidate = base + "_(new_" + std::to_string(n) + ")" + suffix;
  return candidate;
}

}  // namespace

std::string MakeDestinationName(TSettings& settings, const std::string& sourcePath,
                                const std::string& suffix, const std::set<std::string>& taken) {
  return FreeName(EnsureOutputFolder(settings, settings.OutPutDir(), "OutPutDir"), sourcePath,
                  suffix, taken);
}

std::string MakeDestinationNameIn(const std::string& folder, const std::string& sourcePath,
                                  const std::string& suffix, const std::set<std::string>& taken) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!platform::DirectoryExists(folder))
    throw std::runtime_error("Cannot create output directory:" + folder);
  return FreeName(folder, sourcePath, suffix, taken);
}

}  // namespace zanto::app
