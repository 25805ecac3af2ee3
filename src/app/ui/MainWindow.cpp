#include "app/ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/OutputFolder.h"
#include "platform/Shell.h"

namespace zanto::app {
namespace {

// Window colours of the seven themes; "Default" keeps the system's palette.
const QColor kSkinColours[kSkinCount] = {QColor(),          QColor(0xC8, 0xC8, 0xC8),
                                         QColor(0xF5, 0xB0, 0x6A), QColor(0xB9, 0x9C, 0xD6),
                                         QColor(0xE0, 0x8A, 0x8A), QColor(0x9C, 0xD1, 0x9C),
                                         QColor(0xA9, 0xD4, 0xF2)};

QPushButton* FlatButton(const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setFlat(true);
  return b;
}

}  // namespace

TfrmMain::TfrmMain() {
  QApplication::setApplicationName(QString::fromStdString(Shell_.Global().AppTitle));
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(BuildToolButtons());
  lvFiles = new QTreeWidget(central);
  lvFiles->setObjectName("lvFiles");
  lvFiles->setHeaderLabels({"File Name", "Duration", "Status", "Destination"});
  lvFiles->setRootIsDecorated(false);
  layout->addWidget(lvFiles, 1);
  layout->addWidget(BuildOutputGroup());
  setCentralWidget(central);
  BuildMenus();
  const int skin = Shell_.InitialSkin();
  if (skin >= 0) ApplySkin(skin);
}

QWidget* TfrmMain::BuildToolButtons() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 4, 0, 0);
  btnAdd = FlatButton("&Add", bar);
  btnRemove = FlatButton("&Remove", bar);
  btnClear = FlatButton("&Clear", bar);
  btnEdit = FlatButton("&Edit", bar);
  btnStart = FlatButton("&Start", bar);
  btnExit = FlatButton("&Exit", bar);
  btnSettings = FlatButton("&Settings", bar);
  btnSettings->setVisible(false);
  for (auto* b : {btnAdd, btnRemove, btnClear, btnEdit, btnStart, btnExit, btnSettings})
    row->addWidget(b);
  row->addStretch();
  connect(btnExit, &QPushButton::clicked, this, &QWidget::close);
  return bar;
}

QWidget* TfrmMain::BuildOutputGroup() {
  auto* group = new QGroupBox(this);
  auto* grid = new QVBoxLayout(group);
  auto* formatRow = new QHBoxLayout();
  formatRow->addWidget(new QLabel("Output Format:", group));
  formatRow->addStretch();
  grid->addLayout(formatRow);
  auto* dirRow = new QHBoxLayout();
  dirRow->addWidget(new QLabel("Output Directory:", group));
  edDirectory = new QLineEdit(group);
  edDirectory->setObjectName("edDirectory");
  edDirectory->setReadOnly(true);
  btnBrows = new QPushButton("Brows", group);
  btnOpen = new QPushButton("Open", group);
  btnStart2 = new QPushButton("&Start", group);
  dirRow->addWidget(edDirectory, 1);
  dirRow->addWidget(btnBrows);
  dirRow->addWidget(btnOpen);
  dirRow->addWidget(btnStart2);
  grid->addLayout(dirRow);
  connect(edDirectory, &QLineEdit::textChanged, this, [this] { edDirectoryChange(); });
  connect(btnBrows, &QPushButton::clicked, this, [this] { btnBrowsClick(); });
  connect(btnOpen, &QPushButton::clicked, this, [this] { btnOpenClick(); });
  return group;
}

void TfrmMain::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  for (const char* t : {"&Add", "&Remove", "&Clear", "&Start"}) file->addAction(t);
  file->addSeparator();
  file->addAction("Se&ttings")->setVisible(false);
  connect(file->addAction("&Exit"), &QAction::triggered, this, &QWidget::close);

  QMenu* tools = menuBar()->addMenu("&Tools");
  tools->addAction("&Preference");
  QMenu* skins = tools->addMenu("&Skin");
  for (int i = 0; i < kSkinCount; ++i) {
    mnuSkins[i] = skins->addAction(kSkinNames[i]);
    mnuSkins[i]->setCheckable(true);
    connect(mnuSkins[i], &QAction::triggered, this, [this, i] { SkinClick(i); });
  }
  connect(skins, &QMenu::aboutToShow, this, [this] {
    const int current = Shell_.CurrentSkin();
    for (int i = 0; i < kSkinCount; ++i) mnuSkins[i]->setChecked(i == current);
  });

  QMenu* help = menuBar()->addMenu("&Help");
  const TGlobalObject& g = Shell_.Global();
  connect(help->addAction("&Help"), &QAction::triggered, this, [&g] { platform::TShell::Open(g.HelpURL); });
  connect(help->addAction("&Web Site"), &QAction::triggered, this,
          [&g] { platform::TShell::Open(g.HomeURL); });
  connect(help->addAction("&Support and Contact"), &QAction::triggered, this,
          [] { platform::TShell::Open(kVendorSite); });
  help->addAction("&About");
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FormShow();
}

void TfrmMain::FormShow() {
  setFixedSize(kMainWindowWidth, kMainWindowHeight);
  const TMainShell::TShowState state = Shell_.Show();
  {
    // Showing the stored folder is no change of it.
    const QSignalBlocker block(edDirectory);
    edDirectory->setText(QString::fromStdString(state.OutputDir));
  }
  setWindowTitle(QString::fromStdString(state.Caption));
}

void TfrmMain::edDirectoryChange() {
  Shell_.Settings().SetOutPutDir(edDirectory->text().toStdString());
}

void TfrmMain::btnBrowsClick() {
  const QString chosen = QFileDialog::getExistingDirectory(
      this, "Please select an output directory:",
      QString::fromStdString(OutputFolderPath(edDirectory->text().toStdString())));
  const std::string selected =
      chosen.isEmpty() ? std::string() : AcceptChosenFolder(Shell_.Global().AppTitle, chosen.toStdString());
  std::string box = edDirectory->text().toStdString();
  if (AcceptBrowsedFolder(Shell_.Settings(), box, selected)) {
    const QSignalBlocker block(edDirectory);
    edDirectory->setText(QString::fromStdString(box));
  }
}

void TfrmMain::btnOpenClick() {
  OpenOutputFolder(Shell_.Settings(), edDirectory->text().toStdString());
}

void TfrmMain::SkinClick(int index) {
  if (!Shell_.ChooseSkin(index)) {
    mnuSkins[index]->setChecked(true);
    return;
  }
  hide();
  ApplySkin(index);
  for (int i = 0; i < kSkinCount; ++i) mnuSkins[i]->setChecked(i == index);
  show();
}

void TfrmMain::ApplySkin(int index) {
  QPalette palette = QApplication::palette();
  if (kSkinColours[index].isValid()) palette.setColor(QPalette::Window, kSkinColours[index]);
  setPalette(palette);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (Shell_.CloseQuery())
    event->accept();
  else
    event->ignore();
}

}  // namespace zanto::app
