// Test entry: an off-screen Qt application and the framework's application object around
// the GoogleTest run.
#include "Forms.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication qtApp(argc, argv);
  // The reference pictures are drawn in the classic colours, whatever the desktop.
  kv::SetSysColorSource(kv::SysColorSource::Classic);
  TApplication application;
  const int result = RUN_ALL_TESTS();
  // What the event loop does when it ends: controls that handlers freed go now.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return result;
}
