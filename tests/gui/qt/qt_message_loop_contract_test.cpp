// The message-loop contract on Qt's event loop: the same suite as the plain queue's.
#include <QGuiApplication>

#include "gui/qt/qt_message_loop.h"
#include "message_loop_contract.h"

namespace kelvatrix::test {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, MessageLoopContract, QtMessageLoop);
}  // namespace kelvatrix::test

int main(int argc, char** argv) {
  // Also when ctest lists the tests, before its environment applies.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
