// The charts drawn through the QPainter canvas, as pixels: the one-pixel line's shortcuts
// cover what the whole line covers, and the chart view paints its line inside the plot.
#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <functional>

#include "gui/qt/chart_view.h"
#include "gui/qt/qt_canvas.h"
#include "views/plot_line.h"

namespace kelvatrix {

class QtCanvasTest : public QObject {
  Q_OBJECT

 private slots:
  // On the screen the line is painted from fewer points and with filled column spans; it
  // must cover the pixels the whole line covers, give or take one, for a noisy series, a
  // smooth one and a flat one, on a plot that starts half-way into a pixel.
  void screenLineCoversWhatTheWholeLineDoes_data() {
    QTest::addColumn<int>("shape");
    QTest::newRow("noisy") << 0;
    QTest::newRow("smooth") << 1;
    QTest::newRow("flat") << 2;
  }
  void screenLineCoversWhatTheWholeLineDoes() {
    QFETCH(int, shape);
    const RectF plot{20.5, 10, 300, 100};
    std::vector<ChartPoint> points;
    for (int i = 0; i < 30000; ++i) {
      const double y = shape == 0 ? (i * 7) % 1000 / 10.0 : shape == 1 ? 50 + 40 * std::sin(i / 3000.0) : 60;
      points.push_back({i / 100.0, y});
    }
    const auto painted = [&](const std::function<void(QPainter&)>& paint) {
      QImage image(340, 120, QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      painter.setPen(QPen(Qt::red, 1));
      paint(painter);
      return image;
    };
    PlotLine line;
    line.SetPen({{255, 0, 0}, 1});
    line.Show(PointsToDraw(points, 0, 300, 300), plot, 0, 300, 0, 100);
    const QImage screen = painted([&](QPainter& p) {
      QtCanvas canvas(p);
      line.Draw(canvas);
    });
    const QImage whole = painted([&](QPainter& p) {
      QPolygonF polygon;
      for (const ChartPoint& point : points) polygon.append({plot.left + point.x, plot.Bottom() - point.y});
      p.drawPolyline(polygon);
    });
    const auto red = [](const QImage& image, int x, int y) {
      return x >= 0 && y >= 0 && x < image.width() && y < image.height() && image.pixel(x, y) != qRgb(255, 255, 255);
    };
    const auto near = [&](const QImage& image, int x, int y) {
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (red(image, x + dx, y + dy)) return true;
      return false;
    };
    int paintedPixels = 0;
    for (int y = 0; y < screen.height(); ++y) {
      for (int x = 0; x < screen.width(); ++x) {
        paintedPixels += red(screen, x, y);
        if (red(screen, x, y) && !near(whole, x, y)) QFAIL(qPrintable(QStringLiteral("stray pixel at %1,%2").arg(x).arg(y)));
        if (red(whole, x, y) && !near(screen, x, y))
          QFAIL(qPrintable(QStringLiteral("missing pixel at %1,%2").arg(x).arg(y)));
      }
    }
    QVERIFY(paintedPixels >= 300);
  }

  // The view paints the chart: the line at its level, and nothing red outside the plot
  // even for a point far off the scale.
  void viewPaintsTheLineInsideThePlot() {
    LineChart chart({"Resistance", {0, 128, 0}, "UNIT M ohm", 0, 100, 1}, ScreenMeasure());
    ChartView view(chart);
    view.resize(608, 224);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    chart.AddPoint(0, 50);
    chart.AddPoint(50, 50);
    chart.AddPoint(51, 1e12);
    chart.AddPoint(100, 50);
    view.RefreshNow();
    const QImage image = view.grab().toImage();
    const RectF plot = chart.PlotArea();
    const QRect area(static_cast<int>(plot.left), static_cast<int>(plot.top), static_cast<int>(plot.width),
                     static_cast<int>(plot.height));
    const auto red = [&](int x, int y) {
      const QColor c = image.pixelColor(x, y);
      return c.red() > 200 && c.green() < 60 && c.blue() < 60;
    };
    const int x = area.left() + area.width() / 4;
    const int y = area.top() + area.height() / 2;
    QVERIFY2(red(x, y) || red(x, y - 1) || red(x, y + 1), "the line at 50 M ohm");
    for (int py = 0; py < image.height(); ++py) {
      for (int px = 0; px < image.width(); ++px) {
        if (red(px, py)) QVERIFY2(area.adjusted(-1, -1, 1, 1).contains(px, py), qPrintable(QStringLiteral("%1,%2").arg(px).arg(py)));
      }
    }
  }
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::QtCanvasTest)
#include "qt_canvas_test.moc"
