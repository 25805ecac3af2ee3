#include <gtest/gtest.h>

#include "app/ErrorReport.h"
#include "app/GlobalObject.h"
#include "app/MainShell.h"
#include "app/OutputFolder.h"
#include "app/Settings.h"
#include "app/VersionText.h"
#include "engine/FFmpegException.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "support/ScopedProgramFolder.h"
#include "support/TempDir.h"

namespace zanto::app {
namespace {

using platform::TMessageBoxRequest;

TEST(GlobalObject, SettersIgnoreEmptyAndShortValues) {
  TGlobalObject g;
  g.SetAppTitle("A");
  g.SetAppTitle("");
  EXPECT_EQ(g.AppTitle, "A");
  g.SetSettingsFileName("/x/s.ini");
  g.SetSettingsFileName("a.i");  // 3 characters: too short for a file name
  EXPECT_EQ(g.SettingsFileName, "/x/s.ini");
  g.SetFormatFileName("abcd");
  EXPECT_EQ(g.FormatFileName, "abcd");
  g.SetHomeURL("");
  g.SetHelpURL("");
  g.SetDownloadURL("");
  g.SetVersionText("");
  EXPECT_TRUE(g.HomeURL.empty() && g.HelpURL.empty() && g.DownloadURL.empty() &&
              g.VersionText.empty());
}

TEST(GlobalObject, TheWmvMp4EditionIsInForce) {
  TGlobalObject g;
  ApplyEditions(g, "/opt/zanto/");
  EXPECT_EQ(g.AppTitle, "Zanto WMV MP4 Converter");
  EXPECT_EQ(g.SettingsFileName, "/opt/zanto/zantowmvmp4converter.ini");
  EXPECT_EQ(g.FormatFileName, "/opt/zanto/zantowmvmp4format.ini");
  EXPECT_EQ(g.VersionText, " ver 1.10 ");
  EXPECT_EQ(g.HomeURL, kVendorSite);
  EXPECT_EQ(g.HelpURL, std::string(kVendorSite) + "/wmv-mp4-converter-help.htm");
  EXPECT_EQ(g.DownloadURL, std::string(kVendorSite) + "/download/wmvmp4converter.exe");
}

TEST(GlobalObject, AnEditionThatLeavesValuesOutKeepsTheFirst) {
  TGlobalObject g;
  ApplyEdition(g, VideoConverterEdition(), "/p/");
  TEdition partial;  // all empty
  partial.AppTitle = "Other";
  ApplyEdition(g, partial, "/p/");
  EXPECT_EQ(g.AppTitle, "Other");
  EXPECT_EQ(g.SettingsFileName, "/p/zantovideoconverter.ini");
  EXPECT_EQ(g.VersionText, " ver 1.70 ");
}

TEST(VersionText, DigitsAfterTheMinorRunTogether) {
  EXPECT_EQ(BuildVersionText(3, 3, 0, 0), " 3.300 ");
  EXPECT_EQ(BuildVersionText(2, 1, 4, 7), " 2.147 ");
  EXPECT_EQ(BuildVersionText(), " 3.300 ");  // the project's version 3.3.0.0
}

TEST(Settings, DefaultsOnAMissingFile) {
  test::TempDir dir;
  TSettings s(dir.File("none.ini"));
  EXPECT_EQ(s.OutPutDir(), "c:\\videoconverter");
  EXPECT_EQ(s.FormatCode(), 1);
  EXPECT_EQ(s.FormatName(), "iPod Video MPEG-4");
  EXPECT_EQ(s.OutPutFormat(), 0);
  EXPECT_EQ(s.SkinIndex(), 0);
  EXPECT_EQ(s.Volume(), 0);
  EXPECT_EQ(s.Mute(), 0);
  EXPECT_EQ(s.Priority(), 1);
  EXPECT_EQ(s.SnapOutPutDir(), "C:\\videoconverter");
  EXPECT_TRUE(s.SnapFullSize() && s.SnapSmallSize() && s.SnapBmp() && s.SnapJpg());
  EXPECT_EQ(s.JpgCmp(), 30);
}

TEST(Settings, RangeRulesAndCaseInsensitiveKeys) {
  test::TempDir dir;
  const std::string file = dir.File("s.ini");
  struct Case {
    const char* Stored;
    int Expected;
  };
  for (const Case c : {Case{"200", 64}, Case{"-1", 64}, Case{"128", 128}, Case{"0", 0},
                       Case{"abc", 0}}) {
    test::WriteFileBytes(file, std::string("[settings]\nvolume=") + c.Stored + "\n");
    EXPECT_EQ(TSettings(file).Volume(), c.Expected) << c.Stored;
  }
  TSettings s(file);
  s.SetSnapOutPutDir("/snaps");  // written as "snapOutPutDir", read as "SnapOutPutDir"
  EXPECT_EQ(s.SnapOutPutDir(), "/snaps");
  s.SetJpgCmp(0);  // not above 0: nothing written
  EXPECT_EQ(s.JpgCmp(), 30);
  s.SetJpgCmp(80);
  EXPECT_EQ(s.JpgCmp(), 80);
}

TEST(ErrorReport, FullStopAndIconByErrorClass) {
  EXPECT_EQ(ApplicationErrorText("Cannot open file"), "Cannot open file.");
  EXPECT_EQ(ApplicationErrorText("Done!"), "Done!");
  EXPECT_EQ(ApplicationErrorText("Done."), "Done.");
  EXPECT_EQ(ApplicationErrorText("size 42"), "size 42.");  // digits sort above "."
  EXPECT_EQ(ApplicationErrorText("a,"), "a,");
  EXPECT_EQ(ApplicationErrorText("Unknown encoder 'x'"), "Unknown encoder 'x'");  // "'" sorts below "."
  EXPECT_EQ(ApplicationErrorText(""), "");

  std::vector<TMessageBoxRequest> shown;
  platform::TScopedMessageBoxHandler handler([&](const TMessageBoxRequest& r) {
    shown.push_back(r);
    return platform::IDOK;
  });
  ShowApplicationError("Title", engine::FFmpegException("Could not open codec"));
  ShowApplicationError("Title", std::runtime_error("Unable to write to /x.ini"));
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].Text, "Could not open codec.");
  EXPECT_EQ(shown[0].Caption, "Title");
  EXPECT_EQ(shown[0].Flags & 0xF0, static_cast<unsigned>(platform::MB_ICONEXCLAMATION));
  EXPECT_EQ(shown[1].Flags & 0xF0, static_cast<unsigned>(platform::MB_ICONERROR));
}

TEST(OutputFolder, BrowseOpenAndTheChooserRule) {
  test::TempDir dir;
  TSettings s(dir.File("s.ini"));
  std::string box = "c:\\videoconverter";
  EXPECT_FALSE(AcceptBrowsedFolder(s, box, ""));
  EXPECT_FALSE(AcceptBrowsedFolder(s, box, "c:\\videoconverter"));  // same folder: no write
  EXPECT_FALSE(s.Ini().ValueExists("settings", "OutPutDir"));
  EXPECT_TRUE(AcceptBrowsedFolder(s, box, "/srv/out"));
  EXPECT_EQ(box, "/srv/out");
  EXPECT_EQ(s.OutPutDir(), "/srv/out");

  std::vector<std::string> opened;
  auto prev = platform::TShell::SetOpenHandler([&](const std::string& t) {
    opened.push_back(t);
    return true;
  });
  EXPECT_FALSE(OpenOutputFolder(s, "c:"));  // 2 characters: nothing opened
  EXPECT_TRUE(OpenOutputFolder(s, box));
  s.SetOutPutDir("c:\\videoconverter");
  EXPECT_TRUE(OpenOutputFolder(s, "c:\\videoconverter"));
  platform::TShell::SetOpenHandler(prev);
  EXPECT_EQ(opened, (std::vector<std::string>{"/srv/out", platform::HomeFolder() + "/videoconverter"}));

  EXPECT_EQ(AcceptChosenFolder("T", dir.Path()), dir.Path());
}

TEST(MainShell, CreationShowAndCloseQuery) {
  test::TempDir dir;
  const test::TScopedProgramFolder folder(dir.Path());
  test::WriteFileBytes(dir.File("zantowmvmp4converter.ini"),
                       "[settings]\nvolume=200\nmute=1\nOutPutDir=/v\nskinIndex=9\n");
  {
    TMainShell shell;
    EXPECT_EQ(shell.Global().SettingsFileName, dir.File("zantowmvmp4converter.ini"));
    EXPECT_EQ(shell.InitialSkin(), -1);  // out of range: the designed theme
    const auto state = shell.Show();
    EXPECT_EQ(state.Caption, "Zanto WMV MP4 Converter 3.300 ");
    EXPECT_EQ(state.OutputDir, "/v");
    EXPECT_EQ(state.Volume, 64);
    EXPECT_TRUE(state.Muted);

    int answer = platform::IDNO;
    std::vector<TMessageBoxRequest> asked;
    platform::TScopedMessageBoxHandler handler([&](const TMessageBoxRequest& r) {
      asked.push_back(r);
      return answer;
    });
    EXPECT_FALSE(shell.CloseQuery());
    answer = platform::IDYES;
    EXPECT_TRUE(shell.CloseQuery());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].Text, "Do you really want to exit?");
    EXPECT_EQ(asked[0].Caption, "Warning");
    shell.SetExitWithoutAsking(true);
    EXPECT_TRUE(shell.CloseQuery());
    EXPECT_EQ(asked.size(), 2u);

    EXPECT_TRUE(shell.ChooseSkin(2));
    EXPECT_FALSE(shell.ChooseSkin(2));  // already in use: nothing written
    EXPECT_EQ(shell.CurrentSkin(), 2);
  }
}

TEST(MainShell, AFirstStartGetsTheShippedSettingsAndALaterOneKeepsTheUsers) {
  test::TempDir dir;
  const test::TScopedProgramFolder folder(dir.Path());
  test::WriteFileBytes(dir.File(kDefaultSettingsFile), "[settings]\nFormatCode=302\n");
  {
    TMainShell shell;
    EXPECT_EQ(shell.Settings().FormatCode(), 302);
    shell.Settings().Ini().WriteInteger("settings", "FormatCode", 5);
  }
  {
    TMainShell shell;  // the user's choice stays
    EXPECT_EQ(shell.Settings().FormatCode(), 5);
  }
}

}  // namespace
}  // namespace zanto::app
