#include "gui/qt/round_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

#include "controls/round_button_painter.h"
#include "gui/qt/qt_canvas.h"

namespace kelvatrix {

RoundButton::RoundButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), color_(palette().color(QPalette::Button)) {
  // The platform push button this one specialises is the default while it has the focus:
  // Enter clicks it, as Space does.
  setAutoDefault(true);
  resize(100, 50);
}

RoundButton::~RoundButton() = default;
void RoundButton::SetColor(const QColor& color) {
  color_ = color;
  update();
}

void RoundButton::resizeEvent(QResizeEvent* event) {
  QPushButton::resizeEvent(event);
  setMask(QRegion(0, 0, width(), height(), QRegion::Ellipse));
}

bool RoundButton::hitButton(const QPoint& pos) const {
  return QRegion(0, 0, width(), height(), QRegion::Ellipse).contains(pos);
}

void RoundButton::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second click of a double-click presses the button again.
  QMouseEvent press(QEvent::MouseButtonPress, event->position(), event->globalPosition(), event->button(),
                    event->buttons(), event->modifiers());
  mousePressEvent(&press);
}

void RoundButton::focusInEvent(QFocusEvent* event) {
  QPushButton::focusInEvent(event);
  UpdateActiveDefault();
}

void RoundButton::focusOutEvent(QFocusEvent* event) {
  QPushButton::focusOutEvent(event);
  UpdateActiveDefault();
}

void RoundButton::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) update();
}

void RoundButton::UpdateActiveDefault() {
  // The button with the focus is the active default; without it, the Default setting.
  const bool active = hasFocus() || isDefault();
  if (active == activeDefault_) return;
  activeDefault_ = active;
  update();
}

const QImage& RoundButton::FaceImage() const {
  static const QImage none;
  return face_ ? face_->Image() : none;
}

void RoundButton::ComposeFace() {
  const FacePlan plan = PlanFace(width(), height(), {.down = isDown(), .focused = hasFocus(),
                                                     .isDefault = isDefault(), .activeDefault = activeDefault_});
  const bool fresh = !face_ || face_->Width() != width() || face_->Height() != height();
  if (fresh) face_ = std::make_unique<QtImageCanvas>(width(), height());
  const QPalette& colours = palette();
  const RoundButtonLook look{ToRgb(color_),
                             ToRgb(colours.color(QPalette::Window)),
                             ToRgb(colours.color(QPalette::Shadow)),
                             ToRgb(colours.color(QPalette::Dark)),
                             ToRgb(colours.color(QPalette::ButtonText)),
                             FromQFont(font())};
  ComposeRoundButtonFace(*face_, plan, look, text().toStdString(), fresh);
}

void RoundButton::paintEvent(QPaintEvent*) {
  ComposeFace();
  QPainter(this).drawImage(0, 0, face_->Image());
}

}  // namespace kelvatrix
