#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <thread>

#include "platform/MainThread.h"
#include "platform/qt/QtPlatform.h"

namespace zanto::platform {
namespace {

TEST(QtMainThread, TheEventLoopRunsSynchronisedCalls) {
  int argc = 1;
  char name[] = "platform_tests";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  InstallQtPlatform(false);
  std::thread::id ranOn;
  bool timedOut = false;
  std::thread worker([&] {
    TMainThread::Synchronize([&] { ranOn = std::this_thread::get_id(); });
    TMainThread::Queue([] { QCoreApplication::quit(); });
  });
  // A guard against a lost wake-up: the test fails instead of hanging.
  QTimer::singleShot(60000, [&] {
    timedOut = true;
    QCoreApplication::quit();
  });
  app.exec();
  worker.join();
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  TMainThread::SetWakeUp(nullptr);
  TMainThread::SetProcessEvents(nullptr);
}

}  // namespace
}  // namespace zanto::platform
