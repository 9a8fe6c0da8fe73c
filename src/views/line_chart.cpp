#include "views/line_chart.h"

#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QTextDocument>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "views/bottom_axis.h"
#include "views/frame_clock.h"
#include "views/left_axis.h"
#include "views/plot_line.h"

namespace kelvatrix {
namespace {

// Round the chart, before the room the axes' labels take.
const QMargins kMargins(4, 2, 8, 2);

// The height of the box an axis label is laid out in: the label's font with half a pixel
// of margin round the text, as Qt Charts lays out its own.
double LabelBoxHeight(const QFont& font) {
  QTextDocument box;
  box.setDocumentMargin(0.5);
  box.setDefaultFont(font);
  box.setPlainText(QStringLiteral("0"));
  return box.size().height();
}
}  // namespace

LineChart::LineChart(const LineChartStyle& style, QWidget* parent)
    // Made with its chart: a chart set later would leave the default one behind, unowned.
    : QChartView(new QChart, parent),
      style_(style),
      chart_(chart()),
      series_(new QLineSeries),
      line_(new PlotLine(chart_)),
      bottomLine_(new BottomAxis(chart_)),
      leftLine_(new LeftAxis(chart_)),
      bottomAxis_(new QValueAxis),
      leftAxis_(new QValueAxis),
      rubberBand_(new QRubberBand(QRubberBand::Rectangle, this)),
      labelIncrement_(style.labelIncrement),
      labelStep_(style.labelIncrement) {
  QFont titleFont(QStringLiteral("Arial"));
  titleFont.setPixelSize(11);
  chart_->setTitle(style.title);
  chart_->setTitleFont(titleFont);
  chart_->setTitleBrush(style.titleColor);
  chart_->legend()->hide();
  chart_->setPlotAreaBackgroundVisible(false);
  chart_->setBackgroundVisible(false);
  chart_->setMargins(kMargins);
  chart_->setAnimationOptions(QChart::NoAnimation);

  // The series holds no points: it ties the axes together for Qt Charts' layout and for
  // mapping the mouse to values. The line is drawn by line_, where Qt Charts puts a
  // series' line: over the grid and the axes.
  series_->setPointLabelsVisible(false);
  chart_->addSeries(series_);
  line_->SetPen(QPen(QColor(255, 0, 0), 1));
  line_->setZValue(4);
  connect(chart_, &QChart::plotAreaChanged, this,
          [this](const QRectF& plot) { line_->SetPlotArea(plot); });

  QFont axisFont(QStringLiteral("Arial"));
  axisFont.setPixelSize(11);
  // Measured once: the labels keep their font, and a text layout per frame is not free.
  leftLabelHeight_ = QFontMetrics(axisFont).height();
  leftLabelBoxHeight_ = LabelBoxHeight(axisFont);
  // The axes Qt Charts keeps are fixed and hidden: they only tie the series to the chart.
  // leftLine_ and bottomLine_ draw the axes, with the pens of Qt Charts' theme.
  for (QValueAxis* axis : {leftAxis_, bottomAxis_}) {
    axis->setRange(0, 1);
    axis->setVisible(false);
  }
  chart_->addAxis(leftAxis_, Qt::AlignLeft);
  chart_->addAxis(bottomAxis_, Qt::AlignBottom);
  series_->attachAxis(leftAxis_);
  series_->attachAxis(bottomAxis_);
  const AxisLook look{leftAxis_->linePen(), leftAxis_->gridLinePen(), axisFont,
                      leftAxis_->labelsBrush()};
  leftLine_->SetLook(look, style.leftTitle);
  bottomLine_->SetLook(look);
  // Where Qt Charts puts its axes: over the grid, under the line.
  leftLine_->setZValue(3);
  bottomLine_->setZValue(3);
  connect(chart_, &QChart::plotAreaChanged, this, [this](const QRectF& plot) {
    leftLine_->SetPlotArea(plot);
    bottomLine_->SetPlotArea(plot);
  });

  setRenderHint(QPainter::Antialiasing, false);
  // Each change of a chart moves its axes, so the whole view is drawn anyway: the scene
  // keeps no index of its items and the view no record of changed regions.
  setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
  scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
  setRubberBand(QChartView::NoRubberBand);

  SetRange(left_, style.leftMin, style.leftMax);
  ApplyAxes();
}

LineChart::~LineChart() = default;

const std::vector<QString>& LineChart::BottomLabels() const { return bottomLine_->Labels(); }

std::vector<std::pair<QString, QRectF>> LineChart::LeftLabels() const {
  std::vector<std::pair<QString, QRectF>> labels;
  for (const LeftAxis::Shown& label : leftLine_->LabelsShown())
    labels.emplace_back(label.text, label.place);
  return labels;
}

int LineChart::DrawnPoints() const { return line_->PointCount(); }

void LineChart::SetRange(AxisScale& axis, double min, double max) {
  axis.automatic = false;
  if (min > max) std::swap(min, max);
  axis.min = min;
  axis.max = max;
  if (axis.max - axis.min < 1e-10) axis.max = axis.min + 1e-10;
}

std::pair<double, double> LineChart::AutomaticBottom() const {
  if (points_.empty()) return {0, 1};
  const double low = points_.front().x;
  const double high = points_.back().x;
  return high > low ? std::make_pair(low, high) : std::make_pair(low, low + 1);
}

void LineChart::Clear() {
  if (points_.empty()) return;
  points_.clear();
  extremes_.ChangedFrom(0);
  ScheduleRefresh();
}

std::size_t LineChart::AddPoint(double x, double y) {
  const std::size_t index = InsertPoint(points_, {x, y});
  extremes_.ChangedFrom(index);
  if (autoRepaint_) ScheduleRefresh();
  return index;
}

void LineChart::SetLeftAxisRange(double min, double max) {
  SetRange(left_, min, max);
  // Laid out with the next refresh: a download may grow the axis many times a second.
  ScheduleRefresh();
}

void LineChart::ScheduleRefresh() {
  FrameClock::Shared().Request(this, [this] { RefreshNow(); });
}

void LineChart::RefreshNow() {
  if (bottom_.automatic) {
    const auto [low, high] = AutomaticBottom();
    bottom_.min = low;
    bottom_.max = high;
  }
  ApplyAxes();
  // A chart not laid out yet (never shown) is thinned for its view's width.
  const QRectF plot = chart_->plotArea();
  const double plotWidth = plot.width() > 0 ? plot.width() : width();
  // Thinned on the pixel columns the line is drawn in: the plot starts part-way into a
  // pixel, and a thinned column that straddled two pixels would draw its extremes as a
  // line from one to the other.
  const double unitsPerPixel = (bottom_.max - bottom_.min) / plotWidth;
  const double intoPixel = plot.left() - std::floor(plot.left());
  const double thinFrom = bottom_.min - intoPixel * unitsPerPixel;
  const int columns = std::max(1, static_cast<int>(std::ceil(plotWidth + intoPixel)));
  extremes_.Update(points_);
  line_->Show(
      PointsToDraw(points_, thinFrom, thinFrom + columns * unitsPerPixel, columns, &extremes_),
      plot, bottom_.min, bottom_.max, left_.min, left_.max);
}

void LineChart::ApplyAxes() {
  const QFontMetrics metrics(bottomLine_->Font());
  // The bottom axis: labels on 1-2-5 steps of the sample number, as many as fit.
  const double bottomRange = bottom_.max - bottom_.min;
  const double widest =
      metrics.horizontalAdvance(QString::number(std::llround(bottom_.max)) + QStringLiteral("00"));
  const double plotWidth =
      chart_->plotArea().width() > 0 ? chart_->plotArea().width() : width() * 0.8;
  // Sample numbers step by whole numbers; zoomed in between two samples, by tenths and
  // finer, so the axis always shows where it is.
  const double increment =
      bottomRange >= 2 ? 1 : std::pow(10.0, std::floor(std::log10(bottomRange)) - 1);
  const double interval = LabelStep(increment, bottomRange, plotWidth, widest);
  bottomLine_->Show(chart_->plotArea(), bottom_.min, bottom_.max, interval);
  const double plotHeight =
      chart_->plotArea().height() > 0 ? chart_->plotArea().height() : height() * 0.7;
  labelStep_ = ReadableLabelStep(labelIncrement_, left_.max - left_.min, plotHeight,
                                 leftLabelHeight_, leftLabelBoxHeight_);
  const QLocale locale;
  const std::string group = locale.groupSeparator().toStdString();
  const std::string point = locale.decimalPoint().toStdString();
  std::vector<LeftAxis::Label> labels;
  for (const double value : LabelValues(left_.min, left_.max, labelStep_)) {
    labels.push_back({value, QString::fromStdString(FormatAxisLabel(value, group, point))});
  }
  leftLine_->Show(chart_->plotArea(), left_.min, left_.max, std::move(labels));

  // Room beside the plot for the left labels and the title, under it for the bottom
  // labels, and right of it for the half of the last bottom label that stands past the
  // plot's end.
  const QMargins margins(
      kMargins.left() + static_cast<int>(std::ceil(leftLine_->WidthBesidePlot())), kMargins.top(),
      kMargins.right() + static_cast<int>(std::ceil(bottomLine_->Overhang())),
      kMargins.bottom() + static_cast<int>(std::ceil(bottomLine_->HeightBelowPlot())));
  if (chart_->margins() != margins) {
    chart_->setMargins(margins);
    // Laid out now: the plot's width decides how the series is thinned, right after this.
    chart_->layout()->activate();
  }
}

void LineChart::PrintInto(QPainter& painter, const QRectF& target) const {
  // A chart of the target's size in screen units (96 to the inch) is laid out afresh and
  // drawn scaled to the device: vector lines and text, labels on the page's own steps.
  const double scale = std::max(1.0, painter.device()->logicalDpiX() / 96.0);
  const QSize logical = (target.size() / scale).toSize();
  LineChart page(style_);
  page.points_ = points_;
  page.left_ = left_;
  page.bottom_ = bottom_;
  page.resize(logical);
  page.chart_->resize(QSizeF(logical));
  for (int pass = 0; pass < 2; ++pass) {  // the second pass with the plot area the labels leave
    page.chart_->layout()->activate();
    page.RefreshNow();
  }
  page.chart_->layout()->activate();
  page.scene()->render(&painter, target, QRectF(QPointF(0, 0), QSizeF(logical)),
                       Qt::IgnoreAspectRatio);
}

void LineChart::SaveScalesOnce() {
  if (!restored_) return;
  savedLeft_ = left_;
  savedBottom_ = bottom_;
  restored_ = false;
}

void LineChart::UndoZoom() {
  if (!restored_) {
    left_ = savedLeft_;
    bottom_ = savedBottom_;
  }
  restored_ = true;
  RefreshNow();
}

void LineChart::ZoomTo(const QRect& area) {
  SaveScalesOnce();
  const QPointF topLeft = ValueAt(area.topLeft());
  const QPointF bottomRight = ValueAt(area.bottomRight());
  SetRange(bottom_, topLeft.x(), bottomRight.x());
  SetRange(left_, bottomRight.y(), topLeft.y());
  RefreshNow();
}

QPointF LineChart::ValueAt(QPoint viewPoint) const {
  const QPointF at = chart_->mapFromScene(mapToScene(viewPoint));
  const QRectF plot = chart_->plotArea();
  if (plot.width() <= 0 || plot.height() <= 0) return {bottom_.min, left_.min};
  return {bottom_.min + (at.x() - plot.left()) * (bottom_.max - bottom_.min) / plot.width(),
          left_.min + (plot.bottom() - at.y()) * (left_.max - left_.min) / plot.height()};
}

void LineChart::Pan(QPoint delta) {
  SaveScalesOnce();
  const QRectF plot = chart_->plotArea();
  if (plot.width() <= 0 || plot.height() <= 0) return;
  const double dx = -delta.x() * (bottom_.max - bottom_.min) / plot.width();
  const double dy = delta.y() * (left_.max - left_.min) / plot.height();
  SetRange(bottom_, bottom_.min + dx, bottom_.max + dx);
  SetRange(left_, left_.min + dy, left_.max + dy);
  RefreshNow();
}

void LineChart::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    zooming_ = true;
    pressPos_ = event->position().toPoint();
    rubberBand_->setGeometry(QRect(pressPos_, QSize()));
    rubberBand_->show();
  } else if (event->button() == Qt::RightButton) {
    panning_ = true;
    lastPanPos_ = event->position().toPoint();
  }
  event->accept();
}

void LineChart::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (zooming_) rubberBand_->setGeometry(QRect(pressPos_, pos).normalized());
  if (panning_ && pos != lastPanPos_) {
    Pan(pos - lastPanPos_);
    lastPanPos_ = pos;
  }
  event->accept();
}

void LineChart::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && zooming_) {
    zooming_ = false;
    rubberBand_->hide();
    const QPoint release = event->position().toPoint();
    const QPoint drag = release - pressPos_;
    if (std::abs(drag.x()) > kZoomThreshold && std::abs(drag.y()) > kZoomThreshold) {
      if (drag.x() > 0 && drag.y() > 0) {
        ZoomTo(QRect(pressPos_, release));
      } else {
        UndoZoom();
      }
    }
  } else if (event->button() == Qt::RightButton) {
    panning_ = false;
  }
  event->accept();
}

void LineChart::resizeEvent(QResizeEvent* event) {
  QChartView::resizeEvent(event);
  ScheduleRefresh();  // the label steps and the thinning depend on the size
}

}  // namespace kelvatrix
