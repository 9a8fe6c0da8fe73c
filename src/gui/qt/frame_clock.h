#pragma once
// Paces the redrawing of the window's views while data streams in. A view that has
// something new asks for a frame; the clock calls it back at its next tick, at most one
// tick every kInterval, and every view that asked within the same tick is drawn in the
// same pass of the event loop, so the window is painted once for all of them. A request
// after a quiet spell runs at once: a single new row or point shows without delay.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

namespace kelvatrix {

class FrameClock : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kInterval{250};

  // The clock the window's views share.
  static FrameClock& Shared();

  // Calls `draw` at the next tick (or now, after a quiet spell). A view that asks again
  // before its frame has come is drawn once; a view that is gone by then is skipped.
  void Request(QObject* view, std::function<void()> draw);
  // Draws what waits now, as a tick would (before a command reads what the views show).
  void Flush();

 private:
  FrameClock();
  void Tick();

  struct Pending {
    QPointer<QObject> view;
    std::function<void()> draw;
  };
  std::vector<Pending> pending_;
  QTimer timer_;
  QElapsedTimer sinceTick_;
};

}  // namespace kelvatrix
