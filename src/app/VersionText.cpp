#include "app/VersionText.h"

namespace zanto::app {

std::string BuildVersionText(int major, int minor, int build, int revision) {
  return " " + std::to_string(major) + "." + std::to_string(minor) + std::to_string(build) +
         std::to_string(revision) + " ";
}

std::string BuildVersionText() {
  return BuildVersionText(ZANTO_VERSION_MAJOR, ZANTO_VERSION_MINOR, ZANTO_VERSION_PATCH,
                          ZANTO_VERSION_TWEAK);
}

}  // namespace zanto::app
