#pragma once
// The program-wide names: title, version text, the two INI files and the web links. Every field
// changes only through its setter, which ignores values that are empty (or, for the two file
// names, 3 characters or shorter), so an edition that leaves a value out keeps the earlier one.
#include <string>

namespace zanto::app {

// The vendor's web site; every link of the program is below it.
inline constexpr const char* kVendorSite = "https://www.zantosoft.com";

class TGlobalObject {
 public:
  std::string HelpURL;
  std::string SettingsFileName;
  std::string FormatFileName;
  std::string AppTitle;
  std::string VersionText;
  std::string DownloadURL;
  std::string HomeURL;

  void SetHelpURL(const std::string& value);
  void SetSettingsFileName(const std::string& value);
  void SetFormatFileName(const std::string& value);
  void SetAppTitle(const std::string& value);
  void SetVersionText(const std::string& value);
  void SetDownloadURL(const std::string& value);
  void SetHomeURL(const std::string& value);
};

// One edition's values, applied through the setters.
struct TEdition {
  std::string SettingsFile;  // file name in the program folder
  std::string FormatFile;
  std::string AppTitle;
  std::string VersionText;
  std::string HomeURL;
  std::string HelpURL;
  std::string DownloadURL;
};

TEdition VideoConverterEdition();
TEdition WmvMp4Edition();

void ApplyEdition(TGlobalObject& global, const TEdition& edition, const std::string& programFolder);
// The video converter edition first, the WMV MP4 edition second: the second is in force.
void ApplyEditions(TGlobalObject& global, const std::string& programFolder);

}  // namespace zanto::app
