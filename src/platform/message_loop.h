#pragma once
// The contract that ties worker threads to the user-interface thread.
//
// All program state belongs to the user-interface thread. Worker threads (HID readers,
// the hot-plug watcher) never touch it directly: they Post work, or hand work over with
// InvokeAndWait and block until the user-interface thread has run it.

#include <chrono>
#include <functional>

namespace kelvatrix {

using Task = std::function<void()>;

class MessageLoop {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~MessageLoop() = default;

  // Any thread: run `task` later on the user-interface thread.
  virtual void Post(Task task) = 0;

  // Worker thread: run `task` on the user-interface thread and block until it has run.
  // An exception thrown by `task` is rethrown here, in the worker. `sender` names the
  // worker, so that stopping it can run its hand-offs alone (RunHandOffsUntil).
  virtual void InvokeAndWait(Task task, const void* sender = nullptr) = 0;

  // User-interface thread: run everything pending, window events and queued hand-offs.
  virtual void ProcessMessages() = 0;

  // User-interface thread: block until something is pending or `deadline` has passed,
  // never less when nothing comes; returns at once when something is pending already. A
  // wait of 20 ms or less may be slept whole, what comes meanwhile waiting for its end
  // (the Qt loop does: a download's paced wait then wakes once), and may run the hand-offs
  // that came; a longer one ends as soon as a task is posted or handed over, and at Wake().
  // The caller processes messages afterwards. The tests in message_loop_contract.h hold
  // every implementation to this.
  virtual void WaitForMessages(Clock::time_point deadline) = 0;

  // User-interface thread: run the hand-offs of `sender` only until `done` returns true.
  // Used to stop a worker that may be blocked in InvokeAndWait: the worker's last
  // hand-off still runs, so the stop cannot deadlock. Nothing else runs meanwhile, no
  // window event, no posted task, no other worker's hand-off: the stop may come from the
  // middle of a destructor, where a device-change notice must not run. A worker that
  // ends calls Wake() so that `done` is looked at again.
  virtual void RunHandOffsUntil(const void* sender, const std::function<bool()>& done) = 0;

  // Any thread: make a pending WaitForMessages or RunHandOffsUntil look again.
  virtual void Wake() = 0;
};

}  // namespace kelvatrix
