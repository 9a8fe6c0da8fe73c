#include "platform/queue_message_loop.h"

namespace kelvatrix {

void QueueMessageLoop::Post(Task task) { queue_.Push(std::move(task)); }

void QueueMessageLoop::InvokeAndWait(Task task, const void* sender) {
  queue_.PushAndWait(std::move(task), sender, {});
}

void QueueMessageLoop::ProcessMessages() { queue_.RunPending(); }

void QueueMessageLoop::WaitForMessages(Clock::time_point deadline) { queue_.WaitUntil(deadline); }

void QueueMessageLoop::RunHandOffsUntil(const void* sender, const std::function<bool()>& done) {
  queue_.RunUntil(sender, done);
}

void QueueMessageLoop::Wake() { queue_.Wake(); }

}  // namespace kelvatrix
