#pragma once
// The message-loop contract on Qt's event loop: hand-offs wake the event loop with a
// posted event and run on the user-interface thread whenever Qt processes events, in
// the application's loop, inside modal dialogs and inside ProcessMessages.

#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>

#include "platform/hand_off_queue.h"
#include "platform/message_loop.h"

namespace kelvatrix {

class QtMessageLoop final : public QObject, public MessageLoop {
 public:
  explicit QtMessageLoop(QObject* parent = nullptr);

  void Post(Task task) override;
  void InvokeAndWait(Task task, const void* sender = nullptr) override;
  void ProcessMessages() override;
  void WaitForMessages(Clock::time_point deadline) override;
  void RunHandOffsUntil(const void* sender, const std::function<bool()>& done) override;
  void Wake() override;

 protected:
  bool event(QEvent* event) override;

 private:
  void Nudge();

  // A wait this short (a download's 5-ms pace between fetches, whose reply is looked at
  // after it) is slept out whole: what comes meanwhile, window events, posted tasks and
  // readers' hand-offs, waits for its end, and the thread wakes once. Wake() still ends it.
  static constexpr std::chrono::milliseconds kSleptWait{20};

  HandOffQueue queue_;
  std::atomic<bool> sleeping_{false};  // in a short wait: hand-offs need no nudge
  QTimer deadline_;  // bounds WaitForMessages; kept, since a download waits thousands of times
  bool justDispatched_ = false;  // the last wait ended in a pass of the dispatcher
};

}  // namespace kelvatrix
