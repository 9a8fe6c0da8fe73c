#include <gtest/gtest.h>

#if defined(__linux__)
#include <sched.h>
#include <sys/prctl.h>
#endif

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "message_loop_contract.h"
#include "platform/precise_wake_ups.h"
#include "platform/queue_message_loop.h"
#include "platform/tick_counter.h"

namespace kelvatrix {
namespace test {
INSTANTIATE_TYPED_TEST_SUITE_P(Queue, MessageLoopContract, QueueMessageLoop);
}  // namespace test

namespace {

using namespace std::chrono_literals;

#if defined(__linux__)
// A waiting thread asks for its timers on time, in its own thread only: the 50-us default
// slack made every 5-ms wait of a download late.
TEST(QueueMessageLoop, WaitingThreadIsWokenOnTime) {
  std::thread waiter([] {
    prctl(PR_SET_TIMERSLACK, 50000UL, 0UL, 0UL, 0UL);  // the system's default
    QueueMessageLoop loop;
    loop.WaitForMessages(MessageLoop::Clock::now() + 1ms);
    EXPECT_EQ(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0), 1);
  });
  waiter.join();
}

// A thread that asks to wait its turn runs as a batch thread, which never preempts the
// thread that woke it; the others keep the normal policy.
TEST(QueueMessageLoop, ThreadThatWaitsItsTurnIsABatchThread) {
  std::thread reader([] {
    EXPECT_TRUE(LetThisThreadWaitItsTurn());
    EXPECT_EQ(sched_getscheduler(0), SCHED_BATCH);
  });
  reader.join();
  EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
}
#endif

TEST(TickCounter, DifferencesSurviveTheWrapAt32Bits) {
  EXPECT_EQ(TicksBetween(0xFFFFFFF0u, 0x10u), 32);
  EXPECT_EQ(TicksBetween(100u, 95u), -5);
  const std::uint32_t start = TickCount();
  std::this_thread::sleep_for(15ms);
  EXPECT_GE(TicksBetween(start, TickCount()), 15);
}

}  // namespace
}  // namespace kelvatrix
