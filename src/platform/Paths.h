#pragma once
// Where the program's files live, and how names cross into the media library.
#include <filesystem>
#include <string>

namespace zanto::platform {

// The folder of the running executable, with a trailing separator.
std::string ProgramFolder();
// Overrides the program folder (tests and the command-line front end's --settings).
void SetProgramFolder(const std::string& folder);

// The user's home folder (HOME, else the password database).
std::string HomeFolder();
// Per-user configuration folder of the program (XDG_CONFIG_HOME or ~/.config, + "zanto/").
std::string UserConfigFolder();

// Maps a Windows-style path to this system. "c:\videoconverter" (any case, either slash) becomes
// the folder "videoconverter" in the home folder; other drive paths likewise drop the drive and
// move under the home folder; backslashes become slashes. Other paths are returned unchanged.
std::string MapWindowsPath(const std::string& path);

// The full path of an INI file that belongs in the program folder: the program folder when it
// can be written, else the per-user configuration folder (created when needed).
std::string WritableProgramFile(const std::string& fileName);

// Adds a trailing separator when missing.
std::string IncludeTrailingSeparator(const std::string& folder);
bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);
// Size in bytes, -1 when missing.
long long FileSize(const std::string& path);

// File names are UTF-8 everywhere; these are the one place where a name crosses into the media
// library and back, so any future mapping happens here.
std::string ToLibraryName(const std::filesystem::path& name);
std::string ToLibraryName(const std::string& name);
std::string FromLibraryName(const std::string& text);

}  // namespace zanto::platform
