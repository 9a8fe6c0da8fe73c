#include "app/qt_message_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace kelvatrix {
namespace {
const QEvent::Type kRunHandOffs = static_cast<QEvent::Type>(QEvent::registerEventType());
}

QtMessageLoop::QtMessageLoop(QObject* parent) : QObject(parent) {}

void QtMessageLoop::Nudge() {
  QCoreApplication::postEvent(this, new QEvent(kRunHandOffs));
}

void QtMessageLoop::Post(Task task) {
  queue_.Push(std::move(task));
  Nudge();
}

void QtMessageLoop::InvokeAndWait(Task task) {
  queue_.PushAndWait(std::move(task), [this] { Nudge(); });
}

bool QtMessageLoop::event(QEvent* event) {
  if (event->type() != kRunHandOffs) return QObject::event(event);
  queue_.RunPending();
  return true;
}

void QtMessageLoop::ProcessMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  queue_.RunPending();
}

void QtMessageLoop::WaitForMessages(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0 || queue_.HasPending()) return;
  // A timer bounds the wait; any window event or hand-off ends it earlier. What the
  // dispatcher runs while it waits counts as processed messages.
  QTimer deadlineTimer;
  deadlineTimer.setSingleShot(true);
  deadlineTimer.setTimerType(Qt::PreciseTimer);
  deadlineTimer.start(left);
  if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
    dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
  } else {
    queue_.WaitUntil(deadline);
  }
}

void QtMessageLoop::RunHandOffsUntil(const std::function<bool()>& done) {
  queue_.RunUntil(done);
}

void QtMessageLoop::Wake() {
  queue_.Wake();
  Nudge();
}

}  // namespace kelvatrix
