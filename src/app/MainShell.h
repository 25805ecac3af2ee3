#pragma once
// What the main window does at creation, at every show and when asked to close, apart from its
// controls: the window forwards to this class, and tests drive it without a screen.
#include <memory>
#include <string>

#include "app/GlobalObject.h"
#include "app/Settings.h"

namespace zanto::app {

// The initial settings shipped beside the program, copied when the user has no settings file.
inline constexpr const char* kDefaultSettingsFile = "zantowmvmp4converter.default.ini";

inline constexpr int kMainWindowWidth = 786;
inline constexpr int kMainWindowHeight = 522;
inline constexpr int kSkinCount = 7;
inline constexpr const char* kSkinNames[kSkinCount] = {"Default", "Gray",  "Orange",    "Purple",
                                                      "Red",     "Green", "Light blue"};

class TMainShell {
 public:
  // Creation: the program-wide object with both editions applied for the program folder.
  // The settings file moves to the per-user folder when the program folder cannot be written.
  TMainShell();

  TGlobalObject& Global() { return Global_; }
  TSettings& Settings() { return *Settings_; }

  // The theme to apply at creation: skinIndex when it is 0..6, else -1 (the designed theme).
  int InitialSkin() const;

  struct TShowState {
    std::string Caption;     // AppTitle followed by VersionText
    std::string OutputDir;   // the text of the output folder box
    int Volume = 0;
    bool Muted = false;
  };
  // Runs at every show: version text from the build, caption, the settings the window shows.
  TShowState Show();

  // The close request: asks "Do you really want to exit?" unless exiting without asking.
  bool CloseQuery();
  void SetExitWithoutAsking(bool value) { ExitWithoutAsking_ = value; }

  // The Skin menu: choosing another theme than the one in use writes its index and returns True;
  // choosing the checked one does nothing.
  bool ChooseSkin(int index);
  int CurrentSkin() const;

 private:
  TGlobalObject Global_;
  std::unique_ptr<TSettings> Settings_;
  bool ExitWithoutAsking_ = false;
};

}  // namespace zanto::app
