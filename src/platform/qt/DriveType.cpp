#include <QStorageInfo>

#include "platform/DriveType.h"

namespace zanto::platform {

bool IsCdRomPath(const std::string& path) {
  const QStorageInfo info(QString::fromStdString(path));
  if (!info.isValid()) return false;
  const QByteArray type = info.fileSystemType().toLower();
  return info.isReadOnly() && (type == "iso9660" || type == "udf");
}

}  // namespace zanto::platform
