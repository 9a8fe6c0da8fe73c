// The message-loop contract on the Windows message queue: the same suite as the plain
// queue's and the Qt loop's.
#include "gui/win32/win32_message_loop.h"
#include "message_loop_contract.h"

namespace kelvatrix::test {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, MessageLoopContract, Win32MessageLoop);
}  // namespace kelvatrix::test
