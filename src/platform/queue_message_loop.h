#pragma once
// MessageLoop without a window system: everything is a queued task. Used by the tests of
// the Qt-free libraries and by tools that run without a user interface.

#include "platform/hand_off_queue.h"
#include "platform/message_loop.h"

namespace kelvatrix {

class QueueMessageLoop final : public MessageLoop {
 public:
  void Post(Task task) override;
  void InvokeAndWait(Task task, const void* sender = nullptr) override;
  void ProcessMessages() override;
  void WaitForMessages(Clock::time_point deadline) override;
  void RunHandOffsUntil(const void* sender, const std::function<bool()>& done) override;
  void Wake() override;

 private:
  HandOffQueue queue_;
};

}  // namespace kelvatrix
