#include <gtest/gtest.h>

#include "media/MediaLoader.h"

namespace zanto::media {
namespace {

TEST(MediaLoader, TheLinkedLibrariesMatchTheBuild) {
  std::string error;
  EXPECT_TRUE(LoadMediaLibraries("", error)) << error;
  EXPECT_TRUE(MediaLibrariesLoaded());
  for (const auto& item : MediaLibrarySet())
    EXPECT_NE(LibraryFileOf(item.Symbol).find("lib" + item.Name + ".so"), std::string::npos)
        << item.Name;
}

TEST(MediaLoader, AWrongMajorVersionNamesTheFirstLibraryThatFails) {
  auto set = MediaLibrarySet();
  set[4].RuntimeVersion = [] { return 99u << 16; };  // swscale
  set[5].RuntimeVersion = [] { return 98u << 16; };
  std::string error;
  EXPECT_FALSE(LoadLibrarySet(set, "/opt/zanto/LibAV", error));
  EXPECT_EQ(error.rfind("Load library /opt/zanto/LibAV/libswscale.so", 0), 0u) << error;
  EXPECT_NE(error.find(" error: version 99 found"), std::string::npos) << error;
}

}  // namespace
}  // namespace zanto::media
