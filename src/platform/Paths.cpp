#include "platform/Paths.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace zanto::platform {
namespace fs = std::filesystem;
namespace {

std::mutex& FolderMutex() {
  static std::mutex m;
  return m;
}
std::string& FolderOverride() {
  static std::string folder;
  return folder;
}

std::string ExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return IncludeTrailingSeparator(fs::current_path(ec).string());
  return IncludeTrailingSeparator(exe.parent_path().string());
}

bool FolderWritable(const std::string& folder) { return access(folder.c_str(), W_OK) == 0; }

}  // namespace

std::string IncludeTrailingSeparator(const std::string& folder) {
  if (folder.empty() || folder.back() == '/') return folder;
  return folder + "/";
}

std::string ProgramFolder() {
  std::lock_guard lock(FolderMutex());
  if (FolderOverride().empty()) FolderOverride() = ExecutableFolder();
  return FolderOverride();
}

void SetProgramFolder(const std::string& folder) {
  std::lock_guard lock(FolderMutex());
  FolderOverride() = IncludeTrailingSeparator(folder);
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

std::string UserConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string base = (xdg && *xdg) ? std::string(xdg) : HomeFolder() + "/.config";
  return IncludeTrailingSeparator(base) + "zanto/";
}

std::string MapWindowsPath(const std::string& path) {
  // "X:\rest" or "X:/rest": drop the drive, move under the home folder.
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    std::string rest = path.substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    return rest.empty() ? HomeFolder() : IncludeTrailingSeparator(HomeFolder()) + rest;
  }
  if (path.find('\\') != std::string::npos && path.find('/') == std::string::npos) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
  }
  return path;
}

std::string WritableProgramFile(const std::string& fileName) {
  const std::string inProgram = ProgramFolder() + fileName;
  const bool fileOk = FileExists(inProgram) ? access(inProgram.c_str(), W_OK) == 0
                                            : FolderWritable(ProgramFolder());
  if (fileOk) return inProgram;
  const std::string folder = UserConfigFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  return folder + fileName;
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

long long FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? -1 : static_cast<long long>(size);
}

std::string ToLibraryName(const std::filesystem::path& name) { return name.string(); }
std::string ToLibraryName(const std::string& name) { return name; }
std::string FromLibraryName(const std::string& text) { return text; }

}  // namespace zanto::platform
