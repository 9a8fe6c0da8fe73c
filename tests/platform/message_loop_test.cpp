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

#include "platform/precise_wake_ups.h"
#include "platform/queue_message_loop.h"
#include "platform/tick_counter.h"

namespace kelvatrix {
namespace {

using namespace std::chrono_literals;

TEST(QueueMessageLoop, HandOffRunsOnTheLoopThreadAndTheWorkerWaitsForIt) {
  QueueMessageLoop loop;
  const auto uiThread = std::this_thread::get_id();
  std::thread::id ranOn;
  std::atomic<bool> workerReturned{false};

  std::thread worker([&] {
    loop.InvokeAndWait([&] { ranOn = std::this_thread::get_id(); });
    workerReturned = true;
    loop.Wake();
  });
  loop.RunHandOffsUntil(nullptr, [&] { return workerReturned.load(); });
  worker.join();

  EXPECT_EQ(ranOn, uiThread);
}

TEST(QueueMessageLoop, ErrorOfAHandOffIsRethrownInTheWorker) {
  QueueMessageLoop loop;
  std::string caught;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    try {
      loop.InvokeAndWait([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error& error) {
      caught = error.what();
    }
    done = true;
    loop.Wake();
  });
  loop.RunHandOffsUntil(nullptr, [&] { return done.load(); });
  worker.join();
  EXPECT_EQ(caught, "handler failed");
}

// A reader that keeps handing reports over must still be stoppable: the stop runs its
// hand-offs while it waits, so neither side waits for the other forever.
TEST(QueueMessageLoop, StoppingAWorkerBlockedInAHandOffDoesNotDeadlock) {
  QueueMessageLoop loop;
  std::atomic<bool> stop{false};
  std::atomic<bool> ended{false};
  int delivered = 0;
  std::thread reader([&] {
    while (!stop) loop.InvokeAndWait([&] { ++delivered; });
    ended = true;
    loop.Wake();
  });
  while (delivered < 3) loop.ProcessMessages();
  stop = true;
  loop.RunHandOffsUntil(nullptr, [&] { return ended.load(); });
  reader.join();
  EXPECT_GE(delivered, 3);
}

// Stopping one worker runs that worker's hand-offs and nothing else: a device-change
// notice posted meanwhile, or another worker's report, must not run in the middle of a
// device's destruction. They keep their turn and run at the next processing.
TEST(QueueMessageLoop, StoppingAWorkerRunsItsOwnHandOffsOnly) {
  QueueMessageLoop loop;
  std::vector<std::string> ran;
  const int stopping = 0;
  const int other = 0;
  std::atomic<bool> stoppingEnded{false};

  loop.Post([&] { ran.push_back("notice"); });
  std::thread otherWorker(
      [&] { loop.InvokeAndWait([&] { ran.push_back("other report"); }, &other); });
  std::this_thread::sleep_for(20ms);  // lets the other worker queue its hand-off first
  std::thread worker([&] {
    loop.InvokeAndWait([&] { ran.push_back("own report"); }, &stopping);
    stoppingEnded = true;
    loop.Wake();
  });
  loop.RunHandOffsUntil(&stopping, [&] { return stoppingEnded.load(); });
  worker.join();
  EXPECT_EQ(ran, (std::vector<std::string>{"own report"}));

  loop.ProcessMessages();
  otherWorker.join();
  EXPECT_EQ(ran, (std::vector<std::string>{"own report", "notice", "other report"}));
}

TEST(QueueMessageLoop, WaitEndsAtTheDeadlineOrAsSoonAsSomethingIsPosted) {
  QueueMessageLoop loop;
  auto start = MessageLoop::Clock::now();
  // Slept and then spun, and spun only: never short of the deadline.
  for (const MessageLoop::Clock::duration wait :
       {MessageLoop::Clock::duration(30ms), MessageLoop::Clock::duration(100us)}) {
    start = MessageLoop::Clock::now();
    loop.WaitForMessages(start + wait);
    EXPECT_GE(MessageLoop::Clock::now() - start, wait);
  }

  bool ran = false;
  std::thread poster([&] {
    std::this_thread::sleep_for(20ms);
    loop.Post([&] { ran = true; });
  });
  start = MessageLoop::Clock::now();
  loop.WaitForMessages(start + 10s);
  EXPECT_LT(MessageLoop::Clock::now() - start, 5s);
  loop.ProcessMessages();
  poster.join();
  EXPECT_TRUE(ran);
}

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

TEST(QueueMessageLoop, PostedTasksRunInOrder) {
  QueueMessageLoop loop;
  std::string order;
  loop.Post([&] {
    order += "a";
    loop.Post([&] { order += "c"; });  // posted while running: runs on the next pass
  });
  loop.Post([&] { order += "b"; });
  loop.ProcessMessages();
  EXPECT_EQ(order, "ab");
  loop.ProcessMessages();
  EXPECT_EQ(order, "abc");
}

TEST(TickCounter, DifferencesSurviveTheWrapAt32Bits) {
  EXPECT_EQ(TicksBetween(0xFFFFFFF0u, 0x10u), 32);
  EXPECT_EQ(TicksBetween(100u, 95u), -5);
  const std::uint32_t start = TickCount();
  std::this_thread::sleep_for(15ms);
  EXPECT_GE(TicksBetween(start, TickCount()), 15);
}

}  // namespace
}  // namespace kelvatrix
