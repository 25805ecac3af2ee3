#pragma once
#include <string>

namespace zanto::app {

// " major.minor build revision " with nothing between minor, build and revision:
// 3.3.0.0 gives " 3.300 ", 2.1.4.7 gives " 2.147 ".
std::string BuildVersionText(int major, int minor, int build, int revision);
// The running program's own version (from the build).
std::string BuildVersionText();

}  // namespace zanto::app
