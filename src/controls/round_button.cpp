#include "controls/round_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

#include <cstring>

#include "controls/round_button_face.h"
#include "controls/smoothing.h"

namespace kelvatrix {
namespace {

// Platform rectangles leave out their right and bottom edge.
QRect ToQRect(const FaceRect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

// The face image and the smoothing's pixel buffer share their layout but for row padding.
PixelImage ToPixels(const QImage& image) {
  PixelImage pixels(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    std::memcpy(pixels.At(0, y), image.constScanLine(y), static_cast<std::size_t>(image.width()) * 3);
  }
  return pixels;
}

void FromPixels(PixelImage& pixels, QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    std::memcpy(image.scanLine(y), pixels.At(0, y), static_cast<std::size_t>(image.width()) * 3);
  }
}

}  // namespace

RoundButton::RoundButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), color_(palette().color(QPalette::Button)) {
  // The platform push button this one specialises is the default while it has the focus:
  // Enter clicks it, as Space does.
  setAutoDefault(true);
  resize(100, 50);
}

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

void RoundButton::ComposeFace() {
  const FacePlan plan = PlanFace(width(), height(), {.down = isDown(), .focused = hasFocus(),
                                                     .isDefault = isDefault(), .activeDefault = activeDefault_});
  const bool resized = face_.size() != size();
  if (resized) face_ = QImage(size(), QImage::Format_RGB888);
  // The face rectangle leaves out the last row and column; they take the colour behind
  // the button, so the smoothing blends the rim into it and never reads stale pixels.
  if (plan.fill || resized) face_.fill(palette().color(QPalette::Window));
  QPainter painter(&face_);
  if (plan.fill) painter.fillRect(ToQRect(plan.fillRect), color_);
  const QColor colors[] = {palette().color(QPalette::Shadow), palette().color(QPalette::Dark), Qt::white};
  painter.setBrush(Qt::NoBrush);
  for (const FaceStroke& stroke : plan.strokes) {
    painter.setPen(QPen(colors[static_cast<int>(stroke.color)], 2));
    const QRect r = ToQRect(stroke.rect);
    switch (stroke.shape) {
      case FaceShape::Ellipse: painter.drawEllipse(r); break;
      // Counter-clockwise halves between the directions of opposite corners.
      case FaceShape::LowerRightArc: painter.drawArc(r, 225 * 16, 180 * 16); break;
      case FaceShape::UpperLeftArc: painter.drawArc(r, 45 * 16, 180 * 16); break;
    }
  }
  painter.end();

  PixelImage pixels = ToPixels(face_);
  SmoothBitmap(pixels);
  FromPixels(pixels, face_);

  painter.begin(&face_);
  const QRect caption = ToQRect(plan.captionRect);
  if (plan.drawCaption) {
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.setClipRect(caption);
    painter.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, FittedCaption(caption.width()));
    painter.setClipping(false);
  }
  if (plan.focusRect) {
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(caption.adjusted(0, 0, -1, -1));
  }
}

QString RoundButton::FittedCaption(int width) const {
  // "Print Graph " keeps its trailing blank where it fits; where the font is too wide for
  // that, the blank would push the visible text off centre and cut both its ends.
  QString caption = text();
  const QFontMetrics metrics(font());
  while (caption.endsWith(QLatin1Char(' ')) && metrics.horizontalAdvance(caption) > width) caption.chop(1);
  return caption;
}

void RoundButton::paintEvent(QPaintEvent*) {
  ComposeFace();
  QPainter(this).drawImage(0, 0, face_);
}

}  // namespace kelvatrix
