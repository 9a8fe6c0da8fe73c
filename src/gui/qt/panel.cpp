#include "gui/qt/panel.h"

#include <QPainter>

namespace kelvatrix {
namespace {

// One bevel along the inside of `rect`: light top and left, dark bottom and right when
// raised; the other way round when lowered.
void DrawBevel(QPainter& painter, const QRect& rect, Panel::Bevel bevel, const QPalette& palette) {
  if (bevel == Panel::Bevel::None) return;
  const QColor light = palette.color(QPalette::Light);
  const QColor dark = palette.color(QPalette::Dark);
  const QColor& topLeft = bevel == Panel::Bevel::Raised ? light : dark;
  const QColor& bottomRight = bevel == Panel::Bevel::Raised ? dark : light;
  painter.setPen(topLeft);
  painter.drawLine(rect.topLeft(), rect.topRight());
  painter.drawLine(rect.topLeft(), rect.bottomLeft());
  painter.setPen(bottomRight);
  painter.drawLine(rect.bottomLeft(), rect.bottomRight());
  painter.drawLine(rect.topRight(), rect.bottomRight());
}

}  // namespace

Panel::Panel(const QString& name, Bevel outer, Bevel inner, QWidget* parent)
    : QWidget(parent), outer_(outer), inner_(inner) {
  setObjectName(name);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
}

int Panel::BevelWidth() const { return (outer_ != Bevel::None ? 1 : 0) + (inner_ != Bevel::None ? 1 : 0); }

void Panel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect frame = rect();
  DrawBevel(painter, frame, outer_, palette());
  if (outer_ != Bevel::None) frame.adjust(1, 1, -1, -1);
  DrawBevel(painter, frame, inner_, palette());
}

}  // namespace kelvatrix
