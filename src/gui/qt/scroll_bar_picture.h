#pragma once
// A style for one scroll bar that keeps a picture of its last look and paints that again
// while nothing of the look changed. While a download runs, the grid's scroll bar hears
// of new rows several times a second; once its slider has shrunk to its least length at
// the bottom, every one of those paints shows the same scroll bar, and the platform style
// drew its gradients anew each time, fanned out to Qt's painting threads and back.

#include <QPixmap>
#include <QProxyStyle>
#include <QRect>

namespace kelvatrix {

class ScrollBarPicture : public QProxyStyle {
 public:
  // Draws with a style of the application's kind.
  explicit ScrollBarPicture(QObject* parent = nullptr);

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget = nullptr) const override;

  // How often the picture was drawn anew (for tests).
  int Drawn() const { return drawn_; }

 private:
  // All that decides the look: the size, the slider's place, the state and the palette.
  struct Look {
    QSize size;
    QRect slider;
    int state = 0;
    int activeParts = 0;
    int parts = 0;
    qint64 palette = 0;
    qreal pixelRatio = 1;
    bool operator==(const Look&) const = default;
  };

  mutable Look look_;
  mutable QPixmap picture_;
  mutable int drawn_ = 0;
};

}  // namespace kelvatrix
