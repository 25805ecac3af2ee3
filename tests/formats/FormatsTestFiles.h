#pragma once
// A settings file and a format file in a fresh folder, with helpers to write their sections.
#include <string>

#include "formats/FormatStore.h"
#include "support/TempDir.h"

namespace zanto::test {

class TFormatFiles {
 public:
  TFormatFiles()
      : Store(Dir.File("settings.ini"), Dir.File("format.ini")),
        Settings(Store.SettingsFileName()),
        Formats(Store.FormatFileName()) {}

  TempDir Dir;
  formats::TFormatStore Store;
  platform::TIniFile Settings;
  platform::TIniFile Formats;
};

}  // namespace zanto::test
