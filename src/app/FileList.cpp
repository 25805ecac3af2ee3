#include "app/FileList.h"

#include <algorithm>

namespace zanto::app {

std::string WholeSecondsText(int64_t durationUs) { return std::to_string(durationUs / 1000000); }

bool TFileList::Contains(const std::string& path) const {
  return std::any_of(Rows_.begin(), Rows_.end(), [&](const TFileRow& r) { return r.Caption == path; });
}

int TFileList::Add(const std::string& path, int64_t durationUs,
                   const std::string& destinationFileName, const std::string& zoomMode) {
  TFileRow row;
  row.Caption = path;
  row.SubItems[colLength] = WholeSecondsText(durationUs);
  row.SubItems[colTrimmedLength] = row.SubItems[colLength];
  row.SubItems[colDestination] = destinationFileName;
  row.Record = std::make_unique<TlvFilesRecord>();
  row.Record->SourceFile = path;
  row.Record->ZoomMode = zoomMode;
  Rows_.push_back(std::move(row));
  return Count() - 1;
}

bool TFileList::RemoveSelected() {
  if (Selected_ < 0 || Selected_ >= Count()) return false;
  const int i = Selected_;
  Rows_.erase(Rows_.begin() + i);
  const int n = Count();
  Selected_ = n == 0 ? -1 : std::min(i, n - 1);
  return true;
}

void TFileList::Clear() {
  Rows_.clear();
  Selected_ = -1;
}

void TFileList::ReverseCheck() {
  for (auto& r : Rows_) r.Checked = !r.Checked;
}

void TFileList::CheckSelected(bool checked) {
  if (Selected_ >= 0 && Selected_ < Count()) Rows_[static_cast<size_t>(Selected_)].Checked = checked;
}

int TFileList::CheckedCount() const {
  return static_cast<int>(std::count_if(Rows_.begin(), Rows_.end(), [](const TFileRow& r) { return r.Checked; }));
}

void TFileList::SetAll(bool checked) {
  for (auto& r : Rows_) r.Checked = checked;
}

}  // namespace zanto::app
