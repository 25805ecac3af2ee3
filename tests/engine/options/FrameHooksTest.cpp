// Frame-hook libraries: loading, configuring, running and releasing through "vhook".
#include <gtest/gtest.h>
#include <dlfcn.h>

#include "engine/OptionParser.h"
#include "tests/engine/options/FakeOptionActions.h"

namespace zanto::engine {
namespace {

TEST(FrameHooks, ArgumentsSplitAtBarsOrSpaces) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitHookArguments("lib.so  -a 1"), (V{"lib.so", "-a", "1"}));
  EXPECT_EQ(SplitHookArguments("my lib.so|-t||hello world"), (V{"my lib.so", "-t", "hello world"}));
  std::string many = "lib.so";
  for (int i = 0; i < 300; ++i) many += " a";
  EXPECT_EQ(SplitHookArguments(many).size(), 254u);  // the most a hook is handed
}

TEST(FrameHooks, HookRunsPerPictureAndIsReleasedWithTheState) {
  void* library = dlopen(ZANTO_TEST_HOOK, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  const auto releaseCount = reinterpret_cast<int (*)()>(dlsym(library, "TestHookReleaseCount"));
  ASSERT_NE(releaseCount, nullptr);
  const int releasedBefore = releaseCount();
  {
    TOptionState state;
    test::TFakeOptionActions actions(state);
    SetOption(state, actions, "vhook", std::string(ZANTO_TEST_HOOK) + " -x 5");
    EXPECT_TRUE(state.UsingFrameHooks);
    ASSERT_EQ(state.FrameHooks.Count(), 1u);
    EXPECT_THROW(SetOption(state, actions, "vhook", std::string(ZANTO_TEST_HOOK) + " !refuse"), FFmpegException);
    EXPECT_EQ(state.FrameHooks.Count(), 1u);

    uint8_t pixels[4] = {0, 0, 0, 0};
    THookPicture picture;
    picture.data[0] = pixels;
    picture.linesize[0] = 4;
    state.FrameHooks.Process(picture, AV_PIX_FMT_YUV420P, 2, 2, 7);
    EXPECT_EQ(pixels[0], 3);  // three arguments reached Configure
    EXPECT_EQ(pixels[1], 7);

    ResetOptions(state);
    EXPECT_TRUE(state.FrameHooks.Empty());
    EXPECT_EQ(releaseCount(), releasedBefore + 1);
    SetOption(state, actions, "vhook", ZANTO_TEST_HOOK);  // the library is reused
  }
  EXPECT_EQ(releaseCount(), releasedBefore + 2);  // and released when the state goes
  dlclose(library);
}

}  // namespace
}  // namespace zanto::engine
