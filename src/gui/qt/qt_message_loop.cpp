#include "gui/qt/qt_message_loop.h"

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
    if (!sleeping_) Nudge();
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
  auto* dispatcher = QAbstractEventDispatcher::instance();
  if (!dispatcher) {
    queue_.WaitUntil(deadline);
    return;
  }
  if (deadline - Clock::now() <= kSleptWait) {
    // Qt's timers count whole milliseconds and may fire one late, so a short wait is not
    // left to the dispatcher: it is slept out to the microsecond. What came meanwhile
    // runs on the caller's next pass; the hand-offs run now, as if a wait had ended.
    sleeping_ = true;
    queue_.SleepUntil(deadline);
    sleeping_ = false;
    // After the flag is down a new hand-off nudges the loop; those before it run here.
    queue_.RunPending();
    return;
  }
  // A timer bounds a long wait, a millisecond short of the deadline; any window event,
  // posted task or hand-off ends it earlier. What the dispatcher runs while it waits
  // counts as processed messages.
  const auto left = std::chrono::floor<std::chrono::milliseconds>(deadline - Clock::now());
  deadline_.start(left - std::chrono::milliseconds(1));
  dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
  const bool timedOut = !deadline_.isActive();  // a single shot is inactive once it fired
  deadline_.stop();
  if (timedOut && !queue_.HasPending()) {
    // Nothing but the bound came: the last stretch follows at once, without a return to
    // the caller's loop and another pass over the events, and a reader's report still
    // ends it.
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
