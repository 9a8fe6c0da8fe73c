#include "app/qt_message_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <utility>

#include "platform/precise_wake_ups.h"

namespace kelvatrix {
namespace {
const QEvent::Type kRunHandOffs = static_cast<QEvent::Type>(QEvent::registerEventType());
}

QtMessageLoop::QtMessageLoop(QObject* parent) : QObject(parent) {
  deadline_.setSingleShot(true);
  deadline_.setTimerType(Qt::PreciseTimer);
}

void QtMessageLoop::Nudge() { QCoreApplication::postEvent(this, new QEvent(kRunHandOffs)); }

void QtMessageLoop::Post(Task task) {
  queue_.Push(std::move(task));
  Nudge();
}

void QtMessageLoop::InvokeAndWait(Task task, const void* sender) {
  queue_.PushAndWait(std::move(task), sender, [this] {
    if (!holdHandOffs_) Nudge();
  });
}

bool QtMessageLoop::event(QEvent* event) {
  if (event->type() != kRunHandOffs) return QObject::event(event);
  queue_.RunPending();
  return true;
}

void QtMessageLoop::ProcessMessages() {
  // Right after a wait that the dispatcher ended, its pass was this one: a second pass
  // would only poll again. The hand-offs queued since then still run.
  if (!std::exchange(justDispatched_, false))
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  queue_.RunPending();
}

void QtMessageLoop::WaitForMessages(Clock::time_point deadline) {
  justDispatched_ = false;
  if (queue_.HasPending()) return;
  WakeThisThreadOnTime();
  const auto left = std::chrono::floor<std::chrono::milliseconds>(deadline - Clock::now());
  auto* dispatcher = QAbstractEventDispatcher::instance();
  if (left.count() < 2 || !dispatcher) {
    // Qt's timers count whole milliseconds and may fire up to one late: the last stretch
    // is waited out on the hand-off queue, to the microsecond, and a reader's report
    // still ends it at once.
    queue_.WaitUntil(deadline);
    return;
  }
  // A timer bounds the wait, a millisecond short of the deadline; any window event, posted
  // task or (in a long wait) hand-off ends it earlier. What the dispatcher runs while it
  // waits counts as processed messages.
  deadline_.start(left - std::chrono::milliseconds(1));
  holdHandOffs_ = deadline - Clock::now() <= kHoldHandOffsWithin;
  dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
  holdHandOffs_ = false;
  // The hand-offs held back run now: after the flag is down, a new one wakes the loop.
  queue_.RunPending();
  const bool timedOut = !deadline_.isActive();  // a single shot is inactive once it fired
  deadline_.stop();
  if (timedOut) {
    // Nothing but the bound came: the last stretch follows at once, without a return to
    // the caller's loop and another pass over the events.
    queue_.WaitUntil(deadline);
    return;
  }
  justDispatched_ = true;
}

void QtMessageLoop::RunHandOffsUntil(const void* sender, const std::function<bool()>& done) {
  queue_.RunUntil(sender, done);
}

void QtMessageLoop::Wake() {
  queue_.Wake();
  Nudge();
}

}  // namespace kelvatrix
