// The main of every test program: headless windows, silent audio, one main thread.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/MainThread.h"

int main(int argc, char** argv) {
  // Tests never open a real window or sound device.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  zanto::platform::TMainThread::SetMainThread();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
