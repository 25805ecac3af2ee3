#include "formats/SettingsFile.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace zanto::formats {

TEnsureResult EnsureSettingsFile(const std::string& defaultFile, const std::string& settingsFile) {
  namespace fs = std::filesystem;
  std::error_code error;
  // Anything at the path counts as the user's: a broken or empty settings file is still theirs.
  if (fs::exists(fs::symlink_status(settingsFile, error))) return TEnsureResult::Existing;
  if (!fs::is_regular_file(defaultFile, error)) return TEnsureResult::NoDefault;
  const fs::path target(settingsFile);
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
  // Copy beside the target and rename, so a failed copy never leaves a half settings file that
  // the next start would take for the user's.
  const fs::path partial = target.string() + ".partial";
  error.clear();
  fs::copy_file(defaultFile, partial, fs::copy_options::overwrite_existing, error);
  if (!error) fs::rename(partial, target, error);
  if (error) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    throw std::runtime_error("Unable to write to " + settingsFile);
  }
  return TEnsureResult::Copied;
}

}  // namespace zanto::formats
