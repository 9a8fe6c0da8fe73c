#pragma once
// A mouse drag as the operator makes it: press, one move with the button held, release.
// QTest has no drag of its own, and its mouseMove does not carry the held button.

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

namespace kelvatrix::test {

inline void DragMouse(QWidget* target, Qt::MouseButton button, QPoint from, QPoint to) {
  QTest::mousePress(target, button, {}, from);
  QMouseEvent move(QEvent::MouseMove, to, target->mapToGlobal(to), Qt::NoButton, button, {});
  QCoreApplication::sendEvent(target, &move);
  QTest::mouseRelease(target, button, {}, to);
}

}  // namespace kelvatrix::test
