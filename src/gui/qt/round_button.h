#pragma once
// A push button with an elliptical shape and a face of its own drawing: the face in the
// button's colour, a light and dark rim (raised, or sunken while pressed), a dark ring
// while it has the focus or is the default button, the smoothing pass, a centred caption
// and a focus rectangle. Clicks outside the ellipse go to what is below it; both clicks of
// a double-click press it.

#include <QImage>
#include <QPushButton>

#include <memory>

namespace kelvatrix {

class QtImageCanvas;

class RoundButton : public QPushButton {
  Q_OBJECT

 public:
  explicit RoundButton(const QString& caption, QWidget* parent = nullptr);
  ~RoundButton() override;

  void SetColor(const QColor& color);
  QColor Color() const { return color_; }
  // The face composed by the last paint, 24 bits per pixel.
  const QImage& FaceImage() const;
  bool ActiveDefault() const { return activeDefault_; }
  // Invalidate and paint at once, so the button looks released again after a command.
  void RedrawNow() { repaint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ComposeFace();
  void UpdateActiveDefault();

  QColor color_;
  std::unique_ptr<QtImageCanvas> face_;
  bool activeDefault_ = false;
};

}  // namespace kelvatrix
