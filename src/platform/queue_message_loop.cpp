#include "platform/queue_message_loop.h"

namespace kelvatrix {

void QueueMessageLoop::Post(Task task) { queue_.Push(std::move(task)); }

void QueueMessageLoop::InvokeAndWait(Task task) { queue_.PushAndWait(std::move(task), {}); }

void QueueMessageLoop::ProcessMessages() { queue_.RunPending(); }

void QueueMessageLoop::WaitForMessages(Clock::time_point deadline) { queue_.WaitUntil(deadline); }

void QueueMessageLoop::RunHandOffsUntil(const std::function<bool()>& done) { queue_.RunUntil(done); }

void QueueMessageLoop::Wake() { queue_.Wake(); }

}  // namespace kelvatrix
