#include "app/GlobalObject.h"

namespace zanto::app {
namespace {

void SetIfNotEmpty(std::string& field, const std::string& value) {
  if (!value.empty()) field = value;
}

void SetIfFileName(std::string& field, const std::string& value) {
  if (value.size() > 3) field = value;
}

}  // namespace

void TGlobalObject::SetHelpURL(const std::string& value) { SetIfNotEmpty(HelpURL, value); }
void TGlobalObject::SetSettingsFileName(const std::string& value) {
  SetIfFileName(SettingsFileName, value);
}
void TGlobalObject::SetFormatFileName(const std::string& value) {
  SetIfFileName(FormatFileName, value);
}
void TGlobalObject::SetAppTitle(const std::string& value) { SetIfNotEmpty(AppTitle, value); }
void TGlobalObject::SetVersionText(const std::string& value) { SetIfNotEmpty(VersionText, value); }
void TGlobalObject::SetDownloadURL(const std::string& value) { SetIfNotEmpty(DownloadURL, value); }
void TGlobalObject::SetHomeURL(const std::string& value) { SetIfNotEmpty(HomeURL, value); }

TEdition VideoConverterEdition() {
  const std::string site = kVendorSite;
  return {"zantovideoconverter.ini",       "zantovideoformat.ini",
          "Zanto Video Converter",         " ver 1.70 ",
          site + "/video-converter.htm",   site + "/video-converter-help.htm",
          site + "/download/videoconverter.exe"};
}

TEdition WmvMp4Edition() {
  const std::string site = kVendorSite;
  return {"zantowmvmp4converter.ini",         "zantowmvmp4format.ini",
          "Zanto WMV MP4 Converter",          " ver 1.10 ",
          site,                               site + "/wmv-mp4-converter-help.htm",
          site + "/download/wmvmp4converter.exe"};
}

void ApplyEdition(TGlobalObject& global, const TEdition& edition, const std::string& programFolder) {
  // A file name the edition leaves out stays out: the folder alone is no file name.
  global.SetSettingsFileName(edition.SettingsFile.empty() ? "" : programFolder + edition.SettingsFile);
  global.SetFormatFileName(edition.FormatFile.empty() ? "" : programFolder + edition.FormatFile);
  global.SetAppTitle(edition.AppTitle);
  global.SetVersionText(edition.VersionText);
  global.SetHomeURL(edition.HomeURL);
  global.SetHelpURL(edition.HelpURL);
  global.SetDownloadURL(edition.DownloadURL);
}

void ApplyEditions(TGlobalObject& global, const std::string& programFolder) {
  ApplyEdition(global, VideoConverterEdition(), programFolder);
  ApplyEdition(global, WmvMp4Edition(), programFolder);
}

}  // namespace zanto::app
