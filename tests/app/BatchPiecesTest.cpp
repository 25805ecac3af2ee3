#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>

#include "app/DestinationName.h"
#include "app/FileList.h"
#include "app/ProgressText.h"
#include "app/Snapshots.h"
#include "platform/MessageBox.h"
#include "support/TempDir.h"

namespace zanto::app {
namespace {

TEST(FileList, AddSkipsNothingItselfButKnowsExactCaptions) {
  TFileList list;
  list.Add("/m/clip.avi", 61'900'000, "clip_(new)_ipod.mp4", "lbox");
  EXPECT_TRUE(list.Contains("/m/clip.avi"));
  EXPECT_FALSE(list.Contains("/m/CLIP.avi"));  // differing case is another file
  const TFileRow& row = list.Row(0);
  EXPECT_TRUE(row.Checked);
  EXPECT_EQ(row.SubItems[colLength], "61");
  EXPECT_EQ(row.SubItems[colTrimmedLength], "61");
  EXPECT_EQ(row.SubItems[colDestination], "clip_(new)_ipod.mp4");
  EXPECT_EQ(row.SubItems[colProgress], "");
  EXPECT_EQ(row.Record->SourceFile, "/m/clip.avi");
  EXPECT_EQ(row.Record->ZoomMode, "lbox");
  EXPECT_EQ(row.Record->Render.ImageAlpha, 168);
  EXPECT_EQ(row.Record->Render.WatermarkFont.Name, "MS Sans Serif");
  EXPECT_TRUE(row.Record->HasNoFrameEdits());
  list.Add("/m/unknown.mp4", -1, "u.mp4", "lbox");
  EXPECT_EQ(list.Row(1).SubItems[colLength], "0");  // unknown duration truncates to 0
}

TEST(FileList, RemoveSelectsTheNextOrTheNewLastRow) {
  struct Case {
    int Rows, Selected, ExpectedSelection;
  };
  for (const Case c : {Case{3, 0, 0}, Case{3, 1, 1}, Case{3, 2, 1}, Case{1, 0, -1}}) {
    TFileList list;
    for (int i = 0; i < c.Rows; ++i) list.Add("/f" + std::to_string(i), 0, "", "lbox");
    list.Select(c.Selected);
    EXPECT_TRUE(list.RemoveSelected());
    EXPECT_EQ(list.Count(), c.Rows - 1);
    EXPECT_EQ(list.Selected(), c.ExpectedSelection) << c.Rows << "/" << c.Selected;
  }
  TFileList empty;
  EXPECT_FALSE(empty.RemoveSelected());
}

TEST(FileList, CheckCommands) {
  TFileList list;
  for (int i = 0; i < 3; ++i) list.Add("/f" + std::to_string(i), 0, "", "lbox");
  list.Row(1).Checked = false;
  list.ReverseCheck();
  EXPECT_FALSE(list.Row(0).Checked);
  EXPECT_TRUE(list.Row(1).Checked);
  EXPECT_FALSE(list.Row(2).Checked);
  list.Select(2);
  list.CheckSelected(true);
  EXPECT_EQ(list.CheckedCount(), 2);
  list.UncheckAll();
  EXPECT_EQ(list.CheckedCount(), 0);
  list.CheckAll();
  EXPECT_EQ(list.CheckedCount(), 3);
}

class DestinationTest : public testing::Test {
 protected:
  test::TempDir dir_;
  TSettings settings_{dir_.File("s.ini")};
  void SetUp() override { settings_.SetOutPutDir(dir_.File("out")); }
};

TEST_F(DestinationTest, NewNamesCountUpPastExistingFiles) {
  const std::string out = dir_.File("out") + "/";
  EXPECT_EQ(MakeDestinationName(settings_, "/src/clip.avi", "_ipod.mp4"), out + "clip_(new)_ipod.mp4");
  EXPECT_TRUE(std::filesystem::is_directory(dir_.File("out")));  // created on the way
  test::WriteFileBytes(out + "clip_(new)_ipod.mp4", "x");
  EXPECT_EQ(MakeDestinationName(settings_, "/src/clip.avi", "_ipod.mp4"), out + "clip_(new_1)_ipod.mp4");
  test::WriteFileBytes(out + "clip_(new_1)_ipod.mp4", "x");
  EXPECT_EQ(MakeDestinationName(settings_, "/src/clip.avi", "_ipod.mp4"), out + "clip_(new_2)_ipod.mp4");
}

TEST_F(DestinationTest, NamesGivenToEarlierRowsAreNotGivenAgain) {
  const std::string out = dir_.File("out") + "/";
  std::set<std::string> taken;
  taken.insert(MakeDestinationName(settings_, "/a/clip.avi", ".mp4", taken));
  taken.insert(MakeDestinationName(settings_, "/b/clip.mkv", ".mp4", taken));
  EXPECT_EQ(taken, (std::set<std::string>{out + "clip_(new).mp4", out + "clip_(new_1).mp4"}));
}

TEST_F(DestinationTest, AFolderThatCannotBeCreatedFallsBackWithAWarning) {
  test::WriteFileBytes(dir_.File("file"), "x");
  settings_.SetOutPutDir(dir_.File("file") + "/sub");  // below a regular file: impossible
  std::vector<platform::TMessageBoxRequest> shown;
  platform::TScopedMessageBoxHandler handler([&](const platform::TMessageBoxRequest& r) {
    shown.push_back(r);
    return platform::IDOK;
  });
  const std::string name = MakeDestinationName(settings_, "/src/clip.avi", ".mp4");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text, "Cannot create output directory:" + dir_.File("file") +
                               "/sub.It will create default directory C:\\videoconverter!");
  EXPECT_EQ(shown[0].Caption, "Warning");
  EXPECT_EQ(name, dir_.File("file") + "/sub/clip_(new).mp4");  // this call keeps the old folder
  EXPECT_EQ(settings_.OutPutDir(), "c:\\videoconverter");
}

TEST(ProgressText, PercentLabelsAndFileLabel) {
  EXPECT_EQ(ProgressPercent(30'000'000, 60'000'000), 50);
  EXPECT_EQ(ProgressPercent(59'999'999, 60'000'000), 99);
  EXPECT_FALSE(ProgressPercent(5, 0).has_value());
  EXPECT_FALSE(ProgressPercent(5, -1).has_value());
  const TProgressLabels l = MakeProgressLabels(12'900'000, 60'000'000, 345'999, 0, 3);
  EXPECT_EQ(l.Time, "12 Second");
  EXPECT_EQ(l.Length, "60 Second");
  EXPECT_EQ(l.Size, "345 kb");
  EXPECT_EQ(l.Progress, "[1/3]");
  const std::string fifty = "/videos/" + std::string(38, 'a') + ".mp4";
  ASSERT_EQ(fifty.size(), 50u);
  EXPECT_EQ(ShortFileLabel(fifty), fifty);
  const std::string fiftyOne = "/videos/" + std::string(39, 'a') + ".mp4";
  EXPECT_EQ(ShortFileLabel(fiftyOne), fiftyOne.substr(0, 44) + "...mp4");
}

TEST(Snapshots, FitRectExamples) {
  const TRect box{0, 0, 389, 210};
  EXPECT_EQ(FitRect(640, 480, box), (TRect{54, 0, 335, 210}));   // 281 wide from x = 54
  EXPECT_EQ(FitRect(1920, 800, box), (TRect{0, 24, 389, 186}));  // 162 high from y = 24
  EXPECT_EQ(FitRect(0, 480, box), TRect{});
}

class SnapshotTest : public testing::Test {
 protected:
  test::TempDir dir_;
  TSettings settings_{dir_.File("s.ini")};
  platform::TBitmap24 full_{64, 48}, small_{38, 21};
  void SetUp() override {
    settings_.SetSnapOutPutDir(dir_.File("snaps"));
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        uint8_t* p = full_.ScanLine(y) + x * 3;
        p[0] = static_cast<uint8_t>(x * 4);  // blue grows to the right
        p[1] = 0;
        p[2] = static_cast<uint8_t>(y * 5);  // red grows downwards
      }
    small_.Fill(0, 255, 0);
  }
  void Switches(int full, int small, int bmp, int jpg) {
    auto& ini = settings_.Ini();
    ini.WriteInteger("settings", "snapFullSize", full);
    ini.WriteInteger("settings", "snapSmallSize", small);
    ini.WriteInteger("settings", "snapBmp", bmp);
    ini.WriteInteger("settings", "snapJpg", jpg);
  }
  std::vector<std::string> Files() { return test::FileNamesIn(dir_.File("snaps")); }
};

TEST_F(SnapshotTest, SwitchesChooseTheFiles) {
  Switches(1, 1, 0, 0);
  SaveSnapshots(settings_, full_, small_);
  EXPECT_TRUE(Files().empty());
  Switches(1, 0, 1, 1);
  SaveSnapshots(settings_, full_, small_);
  EXPECT_EQ(Files(), (std::vector<std::string>{"Snapshot_full.bmp", "Snapshot_full.jpg"}));
  Switches(1, 1, 1, 1);
  SaveSnapshots(settings_, full_, small_);
  EXPECT_EQ(Files().size(), 4u);
  Switches(2, 1, 1, 1);  // only exactly 1 counts as on
  std::filesystem::remove_all(dir_.File("snaps"));
  SaveSnapshots(settings_, full_, small_);
  EXPECT_EQ(Files(), (std::vector<std::string>{"Snapshot_small.bmp", "Snapshot_small.jpg"}));
}

TEST_F(SnapshotTest, FilesDecodeBackWithTheirPictures) {
  SaveSnapshots(settings_, full_, small_);
  const std::string folder = dir_.File("snaps") + "/";
  QImage bmp(QString::fromStdString(folder + "Snapshot_full.bmp"));
  ASSERT_FALSE(bmp.isNull());
  EXPECT_EQ(bmp.size(), QSize(64, 48));
  EXPECT_EQ(bmp.pixelColor(10, 20), QColor(100, 0, 40));  // exact: BMP is lossless
  QImage jpg(QString::fromStdString(folder + "Snapshot_small.jpg"));
  ASSERT_FALSE(jpg.isNull());
  EXPECT_EQ(jpg.size(), QSize(38, 21));
  EXPECT_GT(jpg.pixelColor(19, 10).green(), 200);
  EXPECT_LT(jpg.pixelColor(19, 10).red(), 60);
}

TEST_F(SnapshotTest, JpegQualityChangesTheSize) {
  Switches(1, 0, 0, 1);
  settings_.SetJpgCmp(10);
  SaveSnapshots(settings_, full_, small_);
  const auto low = std::filesystem::file_size(dir_.File("snaps/Snapshot_full.jpg"));
  settings_.SetJpgCmp(95);
  SaveSnapshots(settings_, full_, small_);
  const auto high = std::filesystem::file_size(dir_.File("snaps/Snapshot_full.jpg"));
  EXPECT_GT(high, low);
}

}  // namespace
}  // namespace zanto::app
