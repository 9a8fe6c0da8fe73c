#pragma once
// The message-loop contract on Qt's event loop: hand-offs wake the event loop with a
// posted event and run on the user-interface thread whenever Qt processes events, in
// the application's loop, inside modal dialogs and inside ProcessMessages.

#include <QObject>
#include <QTimer>

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

  HandOffQueue queue_;
  QTimer deadline_;  // bounds WaitForMessages; kept, since a download waits thousands of times
  bool justDispatched_ = false;  // the last wait ended in a pass of the dispatcher
};

}  // namespace kelvatrix
