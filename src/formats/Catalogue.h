#pragma once
// The format catalogue as a list model: collapsible category headers with their format rows, in
// the order the chooser's drop-down list shows them. The widget draws Entries() and forwards
// clicks here; everything it persists goes through the format store.
#include <array>
#include <string>
#include <vector>

#include "formats/FormatStore.h"

namespace zanto::formats {

struct TItemInfo {
  bool IsFormat = false;
  bool IsCategory = false;
  std::string Caption;     // headers: the category caption
  bool Collapsed = false;  // headers: the rows are hidden; rows: false
  int Code = 0;            // headers: the category index; rows: category * 100 + row
};

struct TCatalogueEntry {
  std::string Text;
  TItemInfo Info;
};

class TFormatCatalogue {
 public:
  static constexpr int kMaxIndex = 51;
  // The box text when the settings name no format yet.
  static constexpr const char* kDefaultFormatName = "Apple iPod Video MPEG-4 Movie (*.mp4)";

  explicit TFormatCatalogue(TFormatStore& store);

  // Refills the list: the video converter edition's 28 headers, then the WMV MP4 edition's 4,
  // with each header's collapse state read from the settings file. Also puts the settings'
  // FormatName into FormatBoxText and selects the entry of that caption (-1 when none).
  void BuildCatalogue();
  // The window's current format from the settings, as the main window loads it when first shown.
  void LoadCurrentFormat();
  // Writes the collapse state of every header in list order.
  void SaveCollapseState() const;

  const std::vector<TCatalogueEntry>& Entries() const { return Entries_; }
  // The caption of a format row, empty when the row does not exist.
  const std::string& FormatCaption(int category, int row) const;

  // Header at position: show its rows directly below it / remove them. Other entries: no-op.
  void Expand(int position);
  void Collapse(int position);
  void Toggle(int position);

  // Makes the format row at position the current format: stores FormatName and FormatCode,
  // updates CurrentFormatName/Code and the box. False (nothing changes) for a header.
  bool ChooseFormat(int position);

  // The entry whose text equals text with blanks trimmed, without regard to case; -1 if none.
  int FindEntry(const std::string& text) const;
  // The category icon of a header: the WMV MP4 edition's 4 icons serve categories 0 to 3 of
  // both tables; other headers and rows draw none (-1).
  int IconIndex(int position) const;

  std::string FormatBoxText;
  int SelectedIndex = -1;
  std::string CurrentFormatName;
  std::string CurrentFormatCode;

 private:
  TCatalogueEntry MakeRow(int category, int row) const;

  TFormatStore& Store_;
  std::vector<TCatalogueEntry> Entries_;
  std::array<std::array<std::string, kMaxIndex>, kMaxIndex> FormatCaptions_;
};

}  // namespace zanto::formats
