#include "formats/Catalogue.h"

#include <algorithm>
#include <cctype>

#include "formats/CatalogueTables.h"

namespace zanto::formats {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

TFormatCatalogue::TFormatCatalogue(TFormatStore& store) : Store_(store) {}

const std::string& TFormatCatalogue::FormatCaption(int category, int row) const {
  static const std::string empty;
  if (category < 0 || category >= kMaxIndex || row < 0 || row >= kMaxIndex) return empty;
  return FormatCaptions_[category][row];
}

TCatalogueEntry TFormatCatalogue::MakeRow(int category, int row) const {
  TCatalogueEntry entry;
  entry.Text = FormatCaptions_[category][row];
  entry.Info.IsFormat = true;
  entry.Info.Code = category * 100 + row;
  return entry;
}

void TFormatCatalogue::BuildCatalogue() {
  for (auto& rows : FormatCaptions_) rows.fill(std::string());
  Entries_.clear();

  // Both tables number their categories from 0, so the WMV MP4 rows replace the video converter
  // rows of the same category and index. The caption table is merged first and every row is
  // then taken from it: a row's caption always names the format its code converts to, also for
  // headers that start expanded.
  const std::span<const TCategoryDef> tables[] = {VideoConverterCatalogue(), WmvMp4Catalogue()};
  for (const auto& table : tables)
    for (size_t category = 0; category < table.size(); ++category)
      for (size_t row = 0; row < table[category].Rows.size(); ++row)
        FormatCaptions_[category][row] = std::string(table[category].Rows[row]);

  for (const auto& table : tables) {
    for (size_t category = 0; category < table.size(); ++category) {
      TCatalogueEntry header;
      header.Text = std::string(table[category].Caption);
      header.Info.IsCategory = true;
      header.Info.Caption = header.Text;
      header.Info.Code = static_cast<int>(category);
      header.Info.Collapsed = Store_.IsCollapsed(header.Info.Code);
      Entries_.push_back(header);
      if (header.Info.Collapsed) continue;
      for (int row = 0; row < kMaxIndex; ++row)
        if (!FormatCaptions_[category][row].empty())
          Entries_.push_back(MakeRow(static_cast<int>(category), row));
    }
  }

  FormatBoxText = Store_.CurrentFormatName(kDefaultFormatName);
  SelectedIndex = FindEntry(FormatBoxText);
}

void TFormatCatalogue::LoadCurrentFormat() {
  CurrentFormatName = Store_.CurrentFormatName("iPod Video MPEG-4");
  CurrentFormatCode = std::to_string(Store_.CurrentFormatCode(1));
}

void TFormatCatalogue::SaveCollapseState() const {
  for (const auto& entry : Entries_)
    if (entry.Info.IsCategory) Store_.SetCollapsed(entry.Info.Code, entry.Info.Collapsed);
}

void TFormatCatalogue::Expand(int position) {
  if (position < 0 || position >= static_cast<int>(Entries_.size())) return;
  auto& info = Entries_[position].Info;
  if (!info.IsCategory || !info.Collapsed) return;
  info.Collapsed = false;
  const int category = info.Code;
  if (category < 0 || category >= kMaxIndex) return;
  std::vector<TCatalogueEntry> rows;
  for (int row = 0; row < kMaxIndex - 1; ++row)
    if (!FormatCaptions_[category][row].empty()) rows.push_back(MakeRow(category, row));
  Entries_.insert(Entries_.begin() + position + 1, rows.begin(), rows.end());
  if (SelectedIndex > position) SelectedIndex += static_cast<int>(rows.size());
}

void TFormatCatalogue::Collapse(int position) {
  if (position < 0 || position >= static_cast<int>(Entries_.size())) return;
  auto& info = Entries_[position].Info;
  if (!info.IsCategory || info.Collapsed) return;
  info.Collapsed = true;
  auto first = Entries_.begin() + position + 1;
  auto last = std::find_if(first, Entries_.end(),
                           [](const TCatalogueEntry& e) { return e.Info.IsCategory; });
  const int removed = static_cast<int>(last - first);
  Entries_.erase(first, last);
  if (SelectedIndex > position + removed) SelectedIndex -= removed;
  else if (SelectedIndex > position) SelectedIndex = -1;
}

void TFormatCatalogue::Toggle(int position) {
  if (position < 0 || position >= static_cast<int>(Entries_.size())) return;
  if (Entries_[position].Info.Collapsed) Expand(position);
  else Collapse(position);
}

bool TFormatCatalogue::ChooseFormat(int position) {
  if (position < 0 || position >= static_cast<int>(Entries_.size())) return false;
  const auto& entry = Entries_[position];
  if (!entry.Info.IsFormat) return false;
  Store_.SetCurrentFormat(entry.Info.Code, entry.Text);
  CurrentFormatName = entry.Text;
  CurrentFormatCode = std::to_string(entry.Info.Code);
  FormatBoxText = entry.Text;
  SelectedIndex = position;
  return true;
}

int TFormatCatalogue::FindEntry(const std::string& text) const {
  const std::string wanted = Trim(text);
  for (size_t i = 0; i < Entries_.size(); ++i)
    if (SameText(Entries_[i].Text, wanted)) return static_cast<int>(i);
  return -1;
}

int TFormatCatalogue::IconIndex(int position) const {
  if (position < 0 || position >= static_cast<int>(Entries_.size())) return -1;
  const auto& info = Entries_[position].Info;
  return info.IsCategory && info.Code >= 0 && info.Code <= 3 ? info.Code : -1;
}

}  // namespace zanto::formats
