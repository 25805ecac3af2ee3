#pragma once
// The main window: a fixed-size window with the menu, the tool buttons, the file list, and the
// output group. Its handlers forward to TMainShell; the file list, the preview and the format
// panels are filled by their own classes.
#include <QAction>
#include <QActionGroup>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTreeWidget>

#include <array>

#include "app/MainShell.h"

namespace zanto::app {

class TfrmMain : public QMainWindow {
 public:
  TfrmMain();

  TMainShell& Shell() { return Shell_; }

  // Controls, named as the program knows them.
  QPushButton* btnAdd;
  QPushButton* btnRemove;
  QPushButton* btnClear;
  QPushButton* btnEdit;
  QPushButton* btnStart;
  QPushButton* btnExit;
  QPushButton* btnSettings;
  QTreeWidget* lvFiles;
  QLineEdit* edDirectory;
  QPushButton* btnBrows;
  QPushButton* btnOpen;
  QPushButton* btnStart2;
  std::array<QAction*, kSkinCount> mnuSkins{};

  void FormShow();
  void edDirectoryChange();
  void btnBrowsClick();
  void btnOpenClick();
  void SkinClick(int index);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  QWidget* BuildToolButtons();
  QWidget* BuildOutputGroup();
  void ApplySkin(int index);

  TMainShell Shell_;
};

}  // namespace zanto::app
