#pragma once
#include <string>

namespace zanto::platform {

// True when the path lies on a read-only CD/DVD file system (iso9660 or udf mounted read-only),
// where no output folder may be chosen.
bool IsCdRomPath(const std::string& path);

}  // namespace zanto::platform
