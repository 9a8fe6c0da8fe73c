#include "platform/hand_off_queue.h"

#include <algorithm>

#include "platform/precise_wake_ups.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace kelvatrix {

namespace {
// A spin step without a system call: on virtual machines each call costs microseconds.
void PauseBriefly() {
#if defined(__x86_64__) || defined(__i386__)
  for (int i = 0; i < 16; ++i) _mm_pause();
#endif
}
}  // namespace

struct Completion {
  bool done = false;
  std::exception_ptr error;
  std::condition_variable finished;
};

void HandOffQueue::Push(Task task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back({std::move(task), nullptr, nullptr});
  }
  changed_.notify_all();
}

void HandOffQueue::PushAndWait(Task task, const void* sender, const std::function<void()>& wakeUp) {
  Completion completion;
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back({std::move(task), &completion, sender});
  }
  changed_.notify_all();
  if (wakeUp) wakeUp();
  std::unique_lock lock(mutex_);
  completion.finished.wait(lock, [&] { return completion.done; });
  if (completion.error) std::rethrow_exception(completion.error);
}

void HandOffQueue::Run(Entry& entry) {
  std::exception_ptr error;
  try {
    entry.task();
  } catch (...) {
    if (!entry.completion) throw;  // a posted task's error belongs to the caller
    error = std::current_exception();
  }
  if (entry.completion) {
    std::lock_guard lock(mutex_);
    // Moved, not copied: only the waiting worker holds the error from here on.
    entry.completion->error = std::move(error);
    entry.completion->done = true;
    entry.completion->finished.notify_all();
  }
}

int HandOffQueue::RunPending() {
  // One task at a time, off the shared queue: a task that waits for a worker (stopping a
  // reader) runs the worker's hand-offs itself and must find them there, not in a batch
  // taken out of it. Only the tasks queued at the start run, so a task that posts again
  // cannot keep this going forever.
  std::size_t budget;
  {
    std::lock_guard lock(mutex_);
    budget = tasks_.size();
  }
  int ran = 0;
  for (; budget > 0; --budget) {
    Entry entry;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) break;
      entry = std::move(tasks_.front());
      tasks_.pop_front();
    }
    ++ran;
    Run(entry);
  }
  return ran;
}

bool HandOffQueue::TakeHandOff(const void* sender, Entry& entry) {
  const auto found = std::find_if(tasks_.begin(), tasks_.end(), [&](const Entry& e) {
    return e.completion && e.sender == sender;
  });
  if (found == tasks_.end()) return false;
  entry = std::move(*found);
  tasks_.erase(found);
  return true;
}

void HandOffQueue::WaitUntil(MessageLoop::Clock::time_point deadline) { Block(deadline, true); }

void HandOffQueue::SleepUntil(MessageLoop::Clock::time_point deadline) { Block(deadline, false); }

void HandOffQueue::Block(MessageLoop::Clock::time_point deadline, bool endOnTask) {
  WakeThisThreadOnTime();
  std::unique_lock lock(mutex_);
  const unsigned long seen = wakeCount_;
  const auto ended = [&] { return (endOnTask && !tasks_.empty()) || wakeCount_ != seen; };
  // Even without timer slack a sleeping thread wakes past its deadline: a few microseconds
  // on bare metal, 40 or more on a virtual machine after a long idle, which the download's
  // 5-ms waits add up. The sleep ends as much early as this thread's recent sleeps ended
  // late, and the rest is spun, still ended by a hand-off. A sleep waits where only Wake()
  // rings, so a task queued meanwhile does not wake it for nothing.
  std::condition_variable& ring = endOnTask ? changed_ : woken_;
  const auto wakeAt = deadline - wakeLatency_;
  const bool sleeps = MessageLoop::Clock::now() < wakeAt;
  if (ring.wait_until(lock, wakeAt, ended)) return;
  if (sleeps) {
    const auto late = std::clamp<MessageLoop::Clock::duration>(MessageLoop::Clock::now() - wakeAt,
                                                               {}, std::chrono::microseconds(200));
    wakeLatency_ = (wakeLatency_ * 7 + late) / 8;
  }
  while (!ended() && MessageLoop::Clock::now() < deadline) {
    lock.unlock();
    PauseBriefly();
    lock.lock();
  }
}

void HandOffQueue::RunUntil(const void* sender, const std::function<bool()>& done) {
  for (;;) {
    Entry entry;
    unsigned long seen;
    std::size_t queued;
    {
      std::lock_guard lock(mutex_);
      if (TakeHandOff(sender, entry)) {
        seen = 0;
        queued = 0;
      } else {
        entry.task = nullptr;
        seen = wakeCount_;
        queued = tasks_.size();
      }
    }
    if (entry.task) {
      Run(entry);
      continue;
    }
    if (done()) return;
    // Look again when something is queued or a worker says it has ended. The time limit
    // only guards against a wake-up that nobody sends.
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(100),
                      [&] { return tasks_.size() != queued || wakeCount_ != seen; });
  }
}

void HandOffQueue::Wake() {
  {
    std::lock_guard lock(mutex_);
    ++wakeCount_;
  }
  changed_.notify_all();
  woken_.notify_all();
}

bool HandOffQueue::HasPending() const {
  std::lock_guard lock(mutex_);
  return !tasks_.empty();
}

}  // namespace kelvatrix
