#include "gui/qt/frame_clock.h"

#include <QCoreApplication>

#include <algorithm>

namespace kelvatrix {

FrameClock& FrameClock::Shared() {
  // Made on first use; a child of the application, so it goes before Qt does.
  static QPointer<FrameClock> clock;
  if (!clock) {
    clock = new FrameClock;
    clock->setParent(QCoreApplication::instance());
  }
  return *clock;
}

FrameClock::FrameClock() {
  timer_.setSingleShot(true);
  timer_.setInterval(kInterval);
  connect(&timer_, &QTimer::timeout, this, &FrameClock::Tick);
}

void FrameClock::Request(QObject* view, std::function<void()> draw) {
  const bool waiting = std::any_of(pending_.begin(), pending_.end(),
                                   [&](const Pending& p) { return p.view == view; });
  if (!waiting) pending_.push_back({view, std::move(draw)});
  if (timer_.isActive()) return;
  if (!sinceTick_.isValid() || sinceTick_.elapsed() >= kInterval.count()) {
    Tick();  // after a quiet spell: at once
  } else {
    timer_.start(static_cast<int>(kInterval.count() - sinceTick_.elapsed()));
  }
}

void FrameClock::Flush() {
  timer_.stop();
  Tick();
}

void FrameClock::Tick() {
  std::vector<Pending> due;
  due.swap(pending_);
  sinceTick_.start();
  for (Pending& frame : due) {
    if (frame.view) frame.draw();
  }
  // The next requests wait for the interval from this tick.
  if (!pending_.empty() || !due.empty()) timer_.start(static_cast<int>(kInterval.count()));
}

}  // namespace kelvatrix
