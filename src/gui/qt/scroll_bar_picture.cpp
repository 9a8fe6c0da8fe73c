#include "gui/qt/scroll_bar_picture.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionSlider>

namespace kelvatrix {

ScrollBarPicture::ScrollBarPicture(QObject* parent)
    // A style of the application's kind, owned by the proxy.
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
  setParent(parent);
}

void ScrollBarPicture::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                          QPainter* painter, const QWidget* widget) const {
  const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
  if (control != CC_ScrollBar || !bar || option->rect.isEmpty()) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  QStyleOptionSlider atOrigin = *bar;
  atOrigin.rect.moveTo(0, 0);
  const qreal pixelRatio = painter->device()->devicePixelRatioF();
  const Look look{atOrigin.rect.size(),
                  subControlRect(CC_ScrollBar, &atOrigin, SC_ScrollBarSlider, widget),
                  static_cast<int>(atOrigin.state),
                  static_cast<int>(atOrigin.activeSubControls),
                  static_cast<int>(atOrigin.subControls),
                  atOrigin.palette.cacheKey(),
                  pixelRatio};
  if (picture_.isNull() || !(look == look_)) {
    picture_ = QPixmap(atOrigin.rect.size() * pixelRatio);
    picture_.setDevicePixelRatio(pixelRatio);
    // Opaque, in the colour behind the bar: an opaque picture is copied as it is, where
    // one with an alpha channel is blended, row by row, on Qt's painting threads.
    picture_.fill(atOrigin.palette.color(QPalette::Window));
    QPainter onPicture(&picture_);
    QProxyStyle::drawComplexControl(control, &atOrigin, &onPicture, widget);
    look_ = look;
    ++drawn_;
  }
  painter->drawPixmap(option->rect.topLeft(), picture_);
}

}  // namespace kelvatrix
