#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QMetaObject>
#include <QUrl>

#include "platform/MainThread.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

namespace zanto::platform {
namespace {

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & 0xF0) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int ShowQtBox(const TMessageBoxRequest& request) {
  QMessageBox box(IconOf(request.Flags), QString::fromStdString(request.Caption),
                  QString::fromStdString(request.Text));
  switch (request.Flags & 0x0F) {
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MB_YESNOCANCEL:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
  }
}

}  // namespace

void InstallQtPlatform(bool withWidgets) {
  TMainThread::SetMainThread();
  TMainThread::SetWakeUp([] {
    if (auto* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(app, [] { TMainThread::CheckSynchronize(); }, Qt::QueuedConnection);
  });
  TMainThread::SetProcessEvents([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
  if (withWidgets) TMessageBox::SetHandler(ShowQtBox);
  TShell::SetOpenHandler([](const std::string& target) {
    const QString t = QString::fromStdString(target);
    const QUrl url = QFileInfo::exists(t) ? QUrl::fromLocalFile(t) : QUrl(t);
    return QDesktopServices::openUrl(url);
  });
}

}  // namespace zanto::platform
