#pragma once
// A thread-safe queue of tasks for the user-interface thread, shared by every
// MessageLoop implementation: the plain one of the tests and the Qt one of the program.

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

#include "platform/message_loop.h"

namespace kelvatrix {

struct Completion;

class HandOffQueue {
 public:
  // Any thread. Returns immediately.
  void Push(Task task);

  // Worker thread: queue `task` and block until RunPending has run it; rethrows what
  // it threw. `wakeUp` is called after queuing, so the owner can nudge its event loop.
  void PushAndWait(Task task, const void* sender, const std::function<void()>& wakeUp);

  // User-interface thread: run the tasks queued so far. Returns how many ran.
  int RunPending();

  // Block until a task is queued, Wake() is called, or `deadline` passes.
  void WaitUntil(MessageLoop::Clock::time_point deadline);
  // Block until Wake() is called or `deadline` passes: tasks queued meanwhile wait.
  void SleepUntil(MessageLoop::Clock::time_point deadline);

  // Run the hand-offs of `sender` until `done()` holds, sleeping between them instead of
  // spinning. Every other task keeps its place in the queue.
  void RunUntil(const void* sender, const std::function<bool()>& done);

  void Wake();
  bool HasPending() const;

 private:
  void Block(MessageLoop::Clock::time_point deadline, bool endOnTask);

  struct Entry {
    Task task;
    // Set for hand-offs whose sender waits; the runner reports completion through it.
    Completion* completion = nullptr;
    const void* sender = nullptr;
  };

  mutable std::mutex mutex_;
  // Runs one taken entry and reports its completion to a waiting sender.
  void Run(Entry& entry);
  // Takes the first hand-off of `sender` out of the queue; false when there is none.
  bool TakeHandOff(const void* sender, Entry& entry);

  std::condition_variable changed_;  // a task queued or run, or Wake()
  std::condition_variable woken_;    // Wake() only
  std::deque<Entry> tasks_;
  // How late this thread's timed sleeps have ended of late (a smoothed figure).
  MessageLoop::Clock::duration wakeLatency_ = std::chrono::microseconds(30);
  unsigned long wakeCount_ = 0;
};

}  // namespace kelvatrix
