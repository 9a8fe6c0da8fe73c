#include "gui/qt/chart_view.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>

#include "gui/qt/frame_clock.h"
#include "gui/qt/qt_canvas.h"

namespace kelvatrix {
namespace {

PointF At(const QMouseEvent& event) {
  const QPoint at = event.position().toPoint();
  return {static_cast<double>(at.x()), static_cast<double>(at.y())};
}

std::optional<LineChart::Button> ButtonOf(const QMouseEvent& event) {
  if (event.button() == Qt::LeftButton) return LineChart::Button::Left;
  if (event.button() == Qt::RightButton) return LineChart::Button::Right;
  return std::nullopt;
}

}  // namespace

ChartView::ChartView(LineChart& chart, QWidget* parent)
    : QWidget(parent), chart_(chart), rubberBand_(new QRubberBand(QRubberBand::Rectangle, this)) {
  const QLocale locale;
  chart_.SetNumberFormat(locale.groupSeparator().toStdString(), locale.decimalPoint().toStdString());
  chart_.SetHost(this);
  // A view not shown yet has a size all the same, which a chart drawn before it is shown
  // is thinned for.
  chart_.Resize(width(), height());
}

void ChartView::RefreshNow() {
  chart_.Resize(width(), height());
  chart_.Refresh();
}

ChartView::~ChartView() { chart_.SetHost(nullptr); }

void ChartView::RefreshWanted() {
  FrameClock::Shared().Request(this, [this] { chart_.Refresh(); });
}

void ChartView::ShowZoomBand(const std::optional<ZoomBand>& band) {
  if (!band) {
    rubberBand_->hide();
    return;
  }
  const QPoint from(static_cast<int>(band->from.x), static_cast<int>(band->from.y));
  const QPoint to(static_cast<int>(band->to.x), static_cast<int>(band->to.y));
  rubberBand_->setGeometry(QRect(from, to).normalized());
  rubberBand_->show();
}

void ChartView::PrintInto(QPainter& painter, const QRectF& target) const {
  QtCanvas page(painter);
  chart_.PrintInto(page, {target.x(), target.y(), target.width(), target.height()}, painter.device()->logicalDpiX());
}

void ChartView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  QtCanvas canvas(painter);
  chart_.Draw(canvas);
}

void ChartView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  chart_.Resize(width(), height());
}

void ChartView::mousePressEvent(QMouseEvent* event) {
  if (const auto button = ButtonOf(*event)) chart_.MousePress(*button, At(*event));
  event->accept();
}

void ChartView::mouseMoveEvent(QMouseEvent* event) {
  chart_.MouseMove(At(*event));
  event->accept();
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
  if (const auto button = ButtonOf(*event)) chart_.MouseRelease(*button, At(*event));
  event->accept();
}

}  // namespace kelvatrix
