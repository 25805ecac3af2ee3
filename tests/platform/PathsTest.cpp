#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Paths.h"
#include "support/ScopedProgramFolder.h"
#include "support/TempDir.h"

namespace zanto::platform {
namespace {

TEST(Paths, WindowsFoldersMapIntoTheHomeFolder) {
  const std::string home = HomeFolder();
  EXPECT_EQ(MapWindowsPath("c:\\videoconverter"), home + "/videoconverter");
  EXPECT_EQ(MapWindowsPath("C:\\videoconverter"), home + "/videoconverter");
  EXPECT_EQ(MapWindowsPath("d:/a\\b"), home + "/a/b");
  EXPECT_EQ(MapWindowsPath("/srv/out"), "/srv/out");
  EXPECT_EQ(MapWindowsPath("relative/x"), "relative/x");
}

TEST(Paths, ProgramFolderEndsWithSeparatorAndHoldsTheExecutable) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(DirectoryExists(folder));
}

TEST(Paths, SettingsFallBackToUserFolderWhenProgramFolderIsReadOnly) {
  test::TempDir program, config;
  setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
  const test::TScopedProgramFolder folder(program.Path());
  EXPECT_EQ(WritableProgramFile("x.ini"), program.File("x.ini"));
  if (geteuid() != 0) {  // root writes anywhere, so only a normal user sees the fallback
    chmod(program.Path().c_str(), 0555);
    EXPECT_EQ(WritableProgramFile("x.ini"), config.Path() + "/zanto/x.ini");
    EXPECT_TRUE(DirectoryExists(config.Path() + "/zanto"));
  }
  unsetenv("XDG_CONFIG_HOME");
}

TEST(Paths, LibraryNamesAreUtf8BothWays) {
  const std::string name = "/tmp/клип é.mp4";
  EXPECT_EQ(ToLibraryName(std::filesystem::path(name)), name);
  EXPECT_EQ(FromLibraryName(ToLibraryName(name)), name);
}

TEST(Paths, FileSizeOfMissingFileIsMinusOne) {
  test::TempDir dir;
  EXPECT_EQ(FileSize(dir.File("none")), -1);
  test::WriteFileBytes(dir.File("f"), "abc");
  EXPECT_EQ(FileSize(dir.File("f")), 3);
  EXPECT_TRUE(FileExists(dir.File("f")));
  EXPECT_FALSE(FileExists(dir.Path()));
}

}  // namespace
}  // namespace zanto::platform
