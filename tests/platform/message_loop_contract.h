#pragma once
// The message-loop contract (platform/message_loop.h) as one suite of tests, run against
// every implementation: the plain queue the Qt-free libraries' tests use, and the Qt
// event loop the program runs on. Instantiate with a type whose default constructor makes
// a loop for the calling thread:
//
//   INSTANTIATE_TYPED_TEST_SUITE_P(Queue, MessageLoopContract, QueueMessageLoop);
//
// Nothing here waits a fixed time for something to happen: each wait is for the thing
// itself, with a generous bound that fails loudly. Where a bound is a time, it is a
// deadline a hundred times longer than what is awaited takes.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_loop.h"

namespace kelvatrix::test {

using namespace std::chrono_literals;

template <typename Loop>
class MessageLoopContract : public ::testing::Test {
 protected:
  // Runs the loop until `done` holds, or fails after ten seconds.
  template <typename Done>
  void PumpUntil(Done done) {
    const auto giveUp = MessageLoop::Clock::now() + 10s;
    while (!done()) {
      ASSERT_LT(MessageLoop::Clock::now(), giveUp) << "what was awaited never came";
      loop.WaitForMessages(MessageLoop::Clock::now() + 50ms);
      loop.ProcessMessages();
    }
  }
  Loop loop;
};

TYPED_TEST_SUITE_P(MessageLoopContract);

TYPED_TEST_P(MessageLoopContract, AHandOffRunsOnTheLoopThreadWhileTheWorkerWaits) {
  const auto loopThread = std::this_thread::get_id();
  std::thread::id ranOn;
  std::atomic<int> delivered{0};
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    this->loop.InvokeAndWait([&] {
      ranOn = std::this_thread::get_id();
      ++delivered;
    });
    EXPECT_EQ(delivered, 1) << "the worker went on before its hand-off ran";
    returned = true;
    this->loop.Wake();
  });
  this->PumpUntil([&] { return returned.load(); });
  worker.join();
  EXPECT_EQ(delivered, 1);
  EXPECT_EQ(ranOn, loopThread);
}

TYPED_TEST_P(MessageLoopContract, AHandOffsErrorIsRaisedInTheWorker) {
  std::string caught;
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    try {
      this->loop.InvokeAndWait([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error& error) {
      caught = error.what();
    }
    returned = true;
    this->loop.Wake();
  });
  this->PumpUntil([&] { return returned.load(); });
  worker.join();
  EXPECT_EQ(caught, "handler failed");
}

TYPED_TEST_P(MessageLoopContract, PostedTasksRunInOrderAndOnesPostedWhileRunningOnTheNextPass) {
  std::string order;
  this->loop.Post([&] {
    order += "a";
    this->loop.Post([&] { order += "c"; });
  });
  this->loop.Post([&] { order += "b"; });
  this->loop.ProcessMessages();
  // A task posted while the pass runs may run in it or in the next (Qt's loop runs it in
  // the same pass, the plain queue in the next); never before those posted earlier.
  EXPECT_EQ(order.substr(0, 2), "ab");
  this->loop.ProcessMessages();
  EXPECT_EQ(order, "abc");
}

// A reader that keeps handing reports over must still be stoppable: the stop runs its
// hand-offs while it waits, so neither side waits for the other for ever.
TYPED_TEST_P(MessageLoopContract, StoppingAWorkerThatKeepsHandingOverEnds) {
  std::atomic<bool> stop{false};
  std::atomic<bool> ended{false};
  std::atomic<int> delivered{0};
  std::thread reader([&] {
    while (!stop) this->loop.InvokeAndWait([&] { ++delivered; }, &delivered);
    ended = true;
    this->loop.Wake();
  });
  this->PumpUntil([&] { return delivered >= 3; });
  stop = true;
  this->loop.RunHandOffsUntil(&delivered, [&] { return ended.load(); });
  reader.join();
  EXPECT_GE(delivered, 3);
}

// Stopping one worker runs that worker's hand-offs and nothing else: a device-change
// notice posted meanwhile, or another worker's report, must not run in the middle of a
// device's destruction. They keep their turn and run at the next processing.
TYPED_TEST_P(MessageLoopContract, StoppingAWorkerRunsItsOwnHandOffsOnly) {
  std::vector<std::string> ran;
  const int stopping = 0;
  const int other = 0;
  std::atomic<bool> stoppingEnded{false};
  std::thread otherWorker(
      [&] { this->loop.InvokeAndWait([&] { ran.push_back("other report"); }, &other); });
  // The other worker's hand-off is queued once a wait on an empty loop ends.
  const auto start = MessageLoop::Clock::now();
  this->loop.WaitForMessages(start + 60s);
  ASSERT_LT(MessageLoop::Clock::now() - start, 30s) << "the other worker's hand-off never came";
  this->loop.Post([&] { ran.push_back("notice"); });
  std::thread worker([&] {
    this->loop.InvokeAndWait([&] { ran.push_back("own report"); }, &stopping);
    stoppingEnded = true;
    this->loop.Wake();
  });
  this->loop.RunHandOffsUntil(&stopping, [&] { return stoppingEnded.load(); });
  worker.join();
  EXPECT_EQ(ran, (std::vector<std::string>{"own report"}));

  // They run at the next processing, in no order promised between a posted task and a
  // hand-off (Qt's loop keeps them in two queues).
  this->PumpUntil([&] { return ran.size() == 3; });
  otherWorker.join();
  std::sort(ran.begin() + 1, ran.end());
  EXPECT_EQ(ran, (std::vector<std::string>{"own report", "notice", "other report"}));
}

// A wait with nothing to end it lasts to its deadline, never less: the download's paced
// waits count on it, short or long. (What the window system had queued at its start is
// processed first: a window event ends a wait too.)
TYPED_TEST_P(MessageLoopContract, AWaitWithNothingToEndItLastsToItsDeadline) {
  this->loop.ProcessMessages();
  for (const MessageLoop::Clock::duration wait :
       {MessageLoop::Clock::duration(100us), MessageLoop::Clock::duration(5ms),
        MessageLoop::Clock::duration(30ms), MessageLoop::Clock::duration(60ms)}) {
    const auto start = MessageLoop::Clock::now();
    this->loop.WaitForMessages(start + wait);
    EXPECT_GE(MessageLoop::Clock::now() - start, wait);
  }
}

// A long wait ends as soon as a task is posted or handed over (or was before it began),
// and at Wake().
TYPED_TEST_P(MessageLoopContract, ALongWaitEndsAtAPostAHandOffOrAWake) {
  for (const std::string what : {"post", "hand-off", "wake"}) {
    std::atomic<bool> waiting{true};
    std::atomic<bool> ran{false};
    std::thread other([&] {
      if (what == "post") this->loop.Post([&] { ran = true; });
      if (what == "hand-off") this->loop.InvokeAndWait([&] { ran = true; });
      // A Wake() before the wait began does not end it: wake until it has ended.
      while (what == "wake" && waiting) {
        this->loop.Wake();
        std::this_thread::yield();
      }
    });
    const auto start = MessageLoop::Clock::now();
    this->loop.WaitForMessages(start + 60s);
    waiting = false;
    EXPECT_LT(MessageLoop::Clock::now() - start, 30s) << what;
    this->PumpUntil([&] { return what == "wake" || ran.load(); });
    other.join();
  }
}

REGISTER_TYPED_TEST_SUITE_P(MessageLoopContract, AHandOffRunsOnTheLoopThreadWhileTheWorkerWaits,
                            AHandOffsErrorIsRaisedInTheWorker,
                            PostedTasksRunInOrderAndOnesPostedWhileRunningOnTheNextPass,
                            StoppingAWorkerThatKeepsHandingOverEnds,
                            StoppingAWorkerRunsItsOwnHandOffsOnly,
                            AWaitWithNothingToEndItLastsToItsDeadline,
                            ALongWaitEndsAtAPostAHandOffOrAWake);

}  // namespace kelvatrix::test
