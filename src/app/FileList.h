#pragma once
// The rows of the file list without their drawing: caption, check state, the four sub-items
// and the record of each row, with the list's commands.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/FileRecord.h"

namespace zanto::app {

enum TFileColumn { colLength = 0, colTrimmedLength = 1, colDestination = 2, colProgress = 3 };

struct TFileRow {
  std::string Caption;  // the full source path
  bool Checked = true;
  std::array<std::string, 4> SubItems;  // "Length", "Trimmed Length", "Destination File", "Progress"
  std::unique_ptr<TlvFilesRecord> Record;
};

class TFileList {
 public:
  int Count() const { return static_cast<int>(Rows_.size()); }
  TFileRow& Row(int index) { return Rows_.at(static_cast<size_t>(index)); }
  const TFileRow& Row(int index) const { return Rows_.at(static_cast<size_t>(index)); }
  int Selected() const { return Selected_; }
  void Select(int index) { Selected_ = (index >= 0 && index < Count()) ? index : -1; }

  // True when a row's caption equals the path exactly (letter case counts).
  bool Contains(const std::string& path) const;
  // Appends a checked row with a fresh record; duration in µs (-1 when unknown) fills the two
  // length columns with whole seconds. Returns the new row's index.
  int Add(const std::string& path, int64_t durationUs, const std::string& destinationFileName,
          const std::string& zoomMode);

  // Removes the selected row and selects its successor (or the new last row). Returns False
  // when no row was selected.
  bool RemoveSelected();
  void Clear();

  void CheckAll() { SetAll(true); }
  void UncheckAll() { SetAll(false); }
  void ReverseCheck();
  void CheckSelected(bool checked);
  int CheckedCount() const;

 private:
  void SetAll(bool checked);
  std::vector<TFileRow> Rows_;
  int Selected_ = -1;
};

// Whole seconds of a duration, truncated toward zero; -1 µs (unknown) gives 0.
std::string WholeSecondsText(int64_t durationUs);

}  // namespace zanto::app
