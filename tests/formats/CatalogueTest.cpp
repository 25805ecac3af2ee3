// The catalogue model: headers, merged rows, expanding and collapsing, the saved state and
// choosing a format.
#include <gtest/gtest.h>

#include <set>

#include "FormatsTestFiles.h"
#include "formats/Catalogue.h"

namespace zanto::formats {
namespace {

int HeaderPosition(const TFormatCatalogue& catalogue, const std::string& caption, int nth = 0) {
  const auto& entries = catalogue.Entries();
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].Info.IsCategory && entries[i].Text == caption && nth-- == 0)
      return static_cast<int>(i);
  return -1;
}

std::vector<std::string> RowsBelow(const TFormatCatalogue& catalogue, int position) {
  std::vector<std::string> rows;
  const auto& entries = catalogue.Entries();
  for (size_t i = position + 1; i < entries.size() && entries[i].Info.IsFormat; ++i)
    rows.push_back(entries[i].Text);
  return rows;
}

TEST(Catalogue, EmptySettingsShowThe32HeadersCollapsed) {
  test::TFormatFiles files;
  TFormatCatalogue catalogue(files.Store);
  catalogue.BuildCatalogue();
  const auto& entries = catalogue.Entries();
  ASSERT_EQ(entries.size(), 32u);
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_TRUE(entries[i].Info.IsCategory);
    EXPECT_FALSE(entries[i].Info.IsFormat);
    EXPECT_TRUE(entries[i].Info.Collapsed);
    EXPECT_EQ(entries[i].Info.Code, i < 28 ? static_cast<int>(i) : static_cast<int>(i) - 28);
  }
  EXPECT_EQ(entries[0].Text, "Apple iPod");
  EXPECT_EQ(entries[27].Text, "General Audio formates");
  EXPECT_EQ(entries[28].Text, "Windows Meida Video");
  EXPECT_EQ(entries[31].Text, "General Audio formates");
  EXPECT_EQ(catalogue.FormatBoxText, "Apple iPod Video MPEG-4 Movie (*.mp4)");
  EXPECT_EQ(catalogue.SelectedIndex, -1);
  catalogue.LoadCurrentFormat();
  EXPECT_EQ(catalogue.CurrentFormatName, "iPod Video MPEG-4");
  EXPECT_EQ(catalogue.CurrentFormatCode, "1");
  EXPECT_EQ(catalogue.IconIndex(2), 2);
  EXPECT_EQ(catalogue.IconIndex(30), 2);
  EXPECT_EQ(catalogue.IconIndex(4), -1);
}

TEST(Catalogue, MergedRowsOfTheSharedCategories) {
  test::TFormatFiles files;
  TFormatCatalogue catalogue(files.Store);
  catalogue.BuildCatalogue();
  catalogue.Expand(0);
  const auto ipod = RowsBelow(catalogue, 0);
  ASSERT_EQ(ipod.size(), 9u);
  EXPECT_EQ(ipod.front(), "WMV Video(*.wmv)");
  EXPECT_EQ(ipod[1], "iPod Video H.264 (*.mp4)");
  EXPECT_EQ(ipod.back(), "iPod Touch MPEG-4 Wide Screen (*.mp4)");
  EXPECT_EQ(catalogue.Entries()[1].Info.Code, 0);

  const int appleTv = HeaderPosition(catalogue, "Apple TV");
  catalogue.Expand(appleTv);
  const auto general = RowsBelow(catalogue, appleTv);
  ASSERT_EQ(general.size(), 10u);
  EXPECT_EQ(general.front(), "MPEG-1 Video (*.mpg)");
  EXPECT_EQ(catalogue.Entries()[appleTv + 10].Info.Code, 209);

  const int iphone = HeaderPosition(catalogue, "Apple iPhone");
  catalogue.Expand(iphone);
  const auto phone = RowsBelow(catalogue, iphone);
  ASSERT_EQ(phone.size(), 5u);
  EXPECT_EQ(phone[0], "MPEG-4 Video(*.mp4)");
  EXPECT_EQ(phone[2], "iPhone MPEG-4 Movie (*.mp4)");

  const int videoFormats = HeaderPosition(catalogue, "General Video formates");
  catalogue.Expand(videoFormats);
  EXPECT_EQ(RowsBelow(catalogue, videoFormats).size(), 10u);
  EXPECT_EQ(catalogue.Entries()[videoFormats + 1].Info.Code, 2600);
}

TEST(Catalogue, RowsOfHeadersExpandedAtBuildNameTheirFormat) {
  // Every row of code 0 reads as the format it converts to, also when the video converter's
  // "Apple iPod" header starts expanded.
  test::TFormatFiles files;
  files.Store.SetCollapsed(0, false);
  TFormatCatalogue catalogue(files.Store);
  catalogue.BuildCatalogue();
  std::set<std::string> captionsOfCode0;
  for (const auto& entry : catalogue.Entries())
    if (entry.Info.IsFormat && entry.Info.Code == 0) captionsOfCode0.insert(entry.Text);
  EXPECT_EQ(captionsOfCode0, std::set<std::string>{"WMV Video(*.wmv)"});
  EXPECT_EQ(catalogue.Entries().size(), 32u + 9u + 9u);  // both headers of category 0 open
}

TEST(Catalogue, ExpandingAndCollapsingHdVideo) {
  test::TFormatFiles files;
  files.Store.SetCollapsed(22, false);  // the category below is open
  TFormatCatalogue catalogue(files.Store);
  catalogue.BuildCatalogue();
  const auto before = catalogue.Entries().size();
  const int hd = HeaderPosition(catalogue, "HD Video");

  catalogue.Expand(hd);
  ASSERT_EQ(catalogue.Entries().size(), before + 9);
  const auto rows = RowsBelow(catalogue, hd);
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows.front(), "HD AVI Video (*.avi)");
  EXPECT_EQ(rows.back(), "HD MPEG2-TS Video (*.ts)");
  EXPECT_EQ(catalogue.Entries()[hd + 9].Info.Code, 2108);
  EXPECT_FALSE(catalogue.Entries()[hd].Info.Collapsed);
  EXPECT_EQ(catalogue.Entries()[hd + 10].Text, "DVD Video");

  catalogue.Expand(hd);  // already open: nothing changes
  EXPECT_EQ(catalogue.Entries().size(), before + 9);

  catalogue.Toggle(hd);
  EXPECT_EQ(catalogue.Entries().size(), before);
  EXPECT_TRUE(catalogue.Entries()[hd].Info.Collapsed);
  EXPECT_EQ(catalogue.Entries()[hd + 1].Text, "DVD Video");
  EXPECT_EQ(RowsBelow(catalogue, hd + 1).size(), 2u);  // DVD's rows untouched

  // The state reaches the settings file only when saved.
  EXPECT_TRUE(files.Store.IsCollapsed(21));
  catalogue.Expand(hd);
  EXPECT_TRUE(files.Store.IsCollapsed(21));
  catalogue.SaveCollapseState();
  EXPECT_FALSE(files.Store.IsCollapsed(21));
}

TEST(Catalogue, TheWmvMp4HeadersDecideTheSharedCollapseKeys) {
  test::TFormatFiles files;
  TFormatCatalogue catalogue(files.Store);
  catalogue.BuildCatalogue();
  catalogue.Expand(0);                 // "Apple iPod" open
  const int wmv = HeaderPosition(catalogue, "Windows Meida Video");
  ASSERT_TRUE(catalogue.Entries()[wmv].Info.Collapsed);
  const int mpeg4 = HeaderPosition(catalogue, "MPEG-4 Video Formates");
  catalogue.Expand(mpeg4);             // category 1 open through the WMV MP4 header only
  catalogue.SaveCollapseState();
  EXPECT_TRUE(files.Store.IsCollapsed(0));
  EXPECT_FALSE(files.Store.IsCollapsed(1));

  TFormatCatalogue restarted(files.Store);
  restarted.BuildCatalogue();
  EXPECT_TRUE(restarted.Entries()[0].Info.Collapsed);
  EXPECT_FALSE(restarted.Entries()[HeaderPosition(restarted, "Apple iPhone")].Info.Collapsed);
}

TEST(Catalogue, ChoosingAFormat) {
  test::TFormatFiles files;
  TFormatCatalogue catalogue(files.Store);
  catalogue.BuildCatalogue();
  const int vcd = HeaderPosition(catalogue, "VCD Video");
  EXPECT_FALSE(catalogue.ChooseFormat(vcd));  // a header is no format
  catalogue.Expand(vcd);
  ASSERT_TRUE(catalogue.ChooseFormat(vcd + 2));
  EXPECT_EQ(files.Settings.ReadString("settings", "FormatCode", ""), "2401");
  EXPECT_EQ(files.Settings.ReadString("settings", "FormatName", ""),
            "VCD - PAL MPEG-1 Moive (*.mpg)");
  EXPECT_EQ(catalogue.CurrentFormatCode, "2401");
  EXPECT_EQ(catalogue.FormatBoxText, "VCD - PAL MPEG-1 Moive (*.mpg)");

  // The next build selects the stored name, trimmed and without regard to case, when its row
  // is shown.
  catalogue.SaveCollapseState();
  files.Settings.WriteString("settings", "FormatName", "  vcd - pal mpeg-1 moive (*.MPG) ");
  catalogue.BuildCatalogue();
  ASSERT_GE(catalogue.SelectedIndex, 0);
  EXPECT_EQ(catalogue.Entries()[catalogue.SelectedIndex].Info.Code, 2401);
  files.Store.SetCollapsed(24, true);
  catalogue.BuildCatalogue();
  EXPECT_EQ(catalogue.SelectedIndex, -1);
  EXPECT_EQ(catalogue.FormatBoxText, "vcd - pal mpeg-1 moive (*.MPG)");
}

}  // namespace
}  // namespace zanto::formats
