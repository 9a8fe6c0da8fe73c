// A chart with many points, shown (offscreen) at the window's size: the cost of a repaint,
// of a zoom step (a left-button drag) and of a pan step (one mouse move with the right
// button held), each drawn at once, for a smooth series and for a noisy one. A frame is
// 16 ms at 60 frames a second.
// Usage: chart_bench [POINTS]   (default 60000)
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "mouse_drag.h"
#include "gui/qt/chart_view.h"
#include "gui/qt/qt_canvas.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

template <typename Step>
double MedianMs(int runs, Step step) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    step(i);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return Median(ms);
}

bool Measure(int points, bool noisy) {
  kelvatrix::LineChart chart({"Resistance", {0, 128, 0}, "UNIT M ohm", 0, 100, 1}, kelvatrix::ScreenMeasure());
  kelvatrix::ChartView view(chart);
  view.resize(608, 224);
  view.show();
  if (!QTest::qWaitForWindowExposed(&view)) return false;
  for (int i = 1; i <= points; ++i) {
    // A noisy series runs up and down the whole plot within each pixel column.
    chart.AddPoint(i, noisy ? 40.0 * (1 + (i * 7) % 1000)
                            : 20000 + 18000 * std::sin(i / 900.0) + (i % 7) * 40);
  }
  chart.SetLeftAxisRange(0, 40000);
  view.RefreshNow();
  QCoreApplication::processEvents();
  QWidget* viewport = &view;
  const QPoint middle(viewport->width() / 2, viewport->height() / 2);

  const double repaint = MedianMs(15, [&](int) {
    view.RefreshNow();
    viewport->repaint();
  });
  // Zoom into the middle and out again, one drag each: both are zoom steps.
  const double zoom = MedianMs(16, [&](int i) {
    if (i % 2 == 0) {
      kelvatrix::test::DragMouse(viewport, Qt::LeftButton, middle - QPoint(100, 40),
                                 middle + QPoint(100, 40));
    } else {
      kelvatrix::test::DragMouse(viewport, Qt::LeftButton, middle + QPoint(40, 40),
                                 middle - QPoint(40, 40));
    }
    viewport->repaint();
  });
  QTest::mousePress(viewport, Qt::RightButton, {}, middle);
  const double pan = MedianMs(30, [&](int i) {
    const QPoint to = middle + QPoint((i % 2 ? -1 : 1) * 6, 0);
    QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton,
                     Qt::RightButton, {});
    QCoreApplication::sendEvent(viewport, &move);
    viewport->repaint();
  });
  QTest::mouseRelease(viewport, Qt::RightButton, {}, middle);

  // A chart that drew nothing would be timed at nothing.
  if (chart.DrawnPoints() < std::min(points, 200)) {
    std::fprintf(stderr, "the chart drew %d of %d points\n", chart.DrawnPoints(), points);
    return false;
  }
  std::printf(
      "%s chart with %d points, %d drawn: repaint %.2f ms, zoom step %.2f ms, pan step %.2f ms (a "
      "frame: 16 ms)\n",
      noisy ? "noisy" : "smooth", points, chart.DrawnPoints(), repaint, zoom, pan);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int points = argc > 1 ? std::max(2, std::atoi(argv[1])) : 60000;
  return Measure(points, false) && Measure(points, true) ? 0 : 1;
}
