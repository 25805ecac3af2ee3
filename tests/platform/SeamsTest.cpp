#include <gtest/gtest.h>

#include "platform/DriveType.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

namespace zanto::platform {
namespace {

TEST(Seams, MessageBoxHandlerAnswersAndIsRestored) {
  std::vector<TMessageBoxRequest> asked;
  {
    TScopedMessageBoxHandler handler([&](const TMessageBoxRequest& r) {
      asked.push_back(r);
      return IDNO;
    });
    EXPECT_EQ(TMessageBox::Show("Do you really want to exit?", "Warning",
                                MB_YESNO | MB_ICONQUESTION),
              IDNO);
  }
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Caption, "Warning");
  EXPECT_EQ(asked[0].Flags, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
  // The default answers the first button without a screen.
  EXPECT_EQ(TMessageBox::Show("q", "c", MB_YESNO), IDYES);
  EXPECT_EQ(TMessageBox::Show("i", "c", MB_OK), IDOK);
}

TEST(Seams, ShellAndPowerOffGoThroughHandlers) {
  std::vector<std::string> opened;
  int powerOffs = 0;
  auto prevOpen = TShell::SetOpenHandler([&](const std::string& t) {
    opened.push_back(t);
    return true;
  });
  auto prevPower = TShell::SetPowerOffHandler([&] { ++powerOffs; });
  EXPECT_TRUE(TShell::OpenFolder("/tmp/out"));
  PowerOffComputer();
  TShell::SetOpenHandler(prevOpen);
  TShell::SetPowerOffHandler(prevPower);
  EXPECT_EQ(opened, std::vector<std::string>{"/tmp/out"});
  EXPECT_EQ(powerOffs, 1);
}

TEST(Seams, OrdinaryFoldersAreNoCdRom) {
  EXPECT_FALSE(IsCdRomPath("/tmp"));
  EXPECT_FALSE(IsCdRomPath("/nonexistent/folder"));
}

}  // namespace
}  // namespace zanto::platform
