#include <QGraphicsTextItem>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <functional>

#include "chart_labels.h"
#include "mouse_drag.h"
#include "views/line_chart.h"
#include "views/plot_line.h"

namespace kelvatrix {

class LineChartTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

  // The ranges the resistance axis passes through while it grows, a zoomed one, and the
  // voltage axis, on the window's chart heights: every label is there, in full, on its
  // step, and no two touch.
  void leftLabelsShowInFullOnTheirStep_data() {
    QTest::addColumn<double>("increment");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("lowest");
    QTest::addColumn<QString>("highest");
    QTest::newRow("voltage 0-6000") << 100.0 << 0.0 << 6000.0 << 247 << 500.0 << "0"
                                    << "6,000";
    QTest::newRow("resistance 0-100") << 1.0 << 0.0 << 100.0 << 224 << 10.0 << "0"
                                      << "100";
    QTest::newRow("resistance 0-180") << 1.0 << 0.0 << 180.0 << 224 << 20.0 << "0"
                                      << "180";
    QTest::newRow("resistance 0-450") << 1.0 << 0.0 << 450.0 << 224 << 50.0 << "0"
                                      << "450";
    QTest::newRow("resistance 0-25,010") << 1.0 << 0.0 << 25010.0 << 224 << 5000.0 << "0"
                                         << "25,000";
    QTest::newRow("zoomed 37.3-121.9") << 1.0 << 37.3 << 121.9 << 224 << 10.0 << "40"
                                       << "120";
    QTest::newRow("zoomed to 3 M ohm") << 1.0 << 2.0 << 5.0 << 224 << 1.0 << "2"
                                       << "5";
    QTest::newRow("a tall chart 0-450") << 1.0 << 0.0 << 450.0 << 600 << 20.0 << "0"
                                        << "440";
  }
  void leftLabelsShowInFullOnTheirStep() {
    QFETCH(double, increment);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, height);
    QFETCH(double, step);
    QFETCH(QString, lowest);
    QFETCH(QString, highest);

    LineChart chart({QStringLiteral("Resistance"), Qt::darkGreen, QStringLiteral("UNIT M ohm"), 0,
                     100, increment});
    chart.resize(608, height);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    for (double grow = 100; grow < max; grow = grow * 1.5 + 10) {  // as a download grows the axis
      chart.SetLeftAxisRange(min, grow);
      chart.RefreshNow();
      QCoreApplication::processEvents();
    }
    chart.SetLeftAxisRange(min, max);
    chart.RefreshNow();
    QCoreApplication::processEvents();
    chart.RefreshNow();  // now with the plot area of the laid-out chart
    QCoreApplication::processEvents();

    QCOMPARE(chart.LeftLabelStep(), step);
    const std::vector<test::ShownLabel> labels = test::LeftLabelsShown(chart);
    QVERIFY(labels.size() >= 2);
    QCOMPARE(labels.front().text, lowest);
    QCOMPARE(labels.back().text, highest);
    for (std::size_t i = 0; i < labels.size(); ++i) {
      QVERIFY2(!labels[i].text.contains(QChar(0x2026)) &&
                   !labels[i].text.contains(QStringLiteral("...")),
               qPrintable(labels[i].text));
      if (i == 0) continue;
      // Each label is one step above the one below it, and they do not overlap.
      const QString expected =
          QLocale().toString(QLocale().toDouble(labels[i - 1].text) + step, 'g', 12);
      QCOMPARE(labels[i].text, expected);
      QVERIFY2(
          labels[i].place.bottom() <= labels[i - 1].place.top() + labels[i].place.height() * 0.5,
          qPrintable(labels[i].text));
    }
  }

  // From two samples to six hundred in one refresh (a page laid out afresh, a fast
  // download): the labels are those of the wide range, on a step that leaves room for
  // each, never the narrow range's step across the wide one (thousands of labels, which
  // once took a printout minutes).
  void bottomLabelsFitTheWidthAfterTheRangeGrew() {
    LineChart chart({QStringLiteral("Voltage"), Qt::red, QStringLiteral("UNIT V"), 0, 6000, 100});
    chart.resize(608, 247);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    chart.AddPoint(1, 100);
    chart.AddPoint(2, 200);
    chart.RefreshNow();
    QCoreApplication::processEvents();
    QCOMPARE(chart.BottomLabels().size(), size_t(11));  // 1 to 2 in tenths
    for (int x = 3; x <= 600; ++x) chart.AddPoint(x, 5000);
    chart.RefreshNow();
    QCOMPARE(chart.BottomRange(), std::make_pair(1.0, 600.0));
    const std::vector<QString> labels = chart.BottomLabels();
    QVERIFY2(labels.size() >= 5 && labels.size() <= 15, qPrintable(QString::number(labels.size())));
    // Evenly stepped, readable numbers.
    const double step = labels[1].toDouble() - labels[0].toDouble();
    for (std::size_t i = 0; i < labels.size(); ++i) {
      QCOMPARE(labels[i].toDouble(), labels[0].toDouble() + step * static_cast<double>(i));
    }
    QCOMPARE(labels.back(), QStringLiteral("600"));
  }

  // The line stands where the axes put its points, and a point far off the scale is cut at
  // the plot's edge: nothing is drawn outside the plot area.
  void lineIsDrawnOnTheAxesScaleAndInsideThePlot() {
    LineChart chart(
        {QStringLiteral("Resistance"), Qt::darkGreen, QStringLiteral("UNIT M ohm"), 0, 100, 1});
    chart.resize(608, 224);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    chart.AddPoint(0, 50);
    chart.AddPoint(50, 50);
    chart.AddPoint(51, 1e12);  // a G ohm reading far above a fixed axis
    chart.AddPoint(100, 50);
    chart.RefreshNow();
    QCoreApplication::processEvents();
    chart.RefreshNow();
    QCoreApplication::processEvents();

    const QImage image = chart.grab().toImage();
    const QRectF plot = chart.chart()->plotArea();
    const QRect area = chart.mapFromScene(plot).boundingRect();
    const auto red = [&](int x, int y) {
      const QColor c = image.pixelColor(x, y);
      return c.red() > 200 && c.green() < 60 && c.blue() < 60;
    };
    // At a quarter of the width: the level of 50, half-way up.
    const int x = area.left() + area.width() / 4;
    const int y = area.top() + area.height() / 2;
    QVERIFY2(red(x, y) || red(x, y - 1) || red(x, y + 1), "the line at 50 M ohm");
    for (int py = 0; py < image.height(); ++py) {
      for (int px = 0; px < image.width(); ++px) {
        if (red(px, py))
          QVERIFY2(area.adjusted(-1, -1, 1, 1).contains(px, py),
                   qPrintable(QStringLiteral("%1,%2").arg(px).arg(py)));
      }
    }
  }

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
    const QRectF plot(20.5, 10, 300, 100);
    std::vector<ChartPoint> points;
    for (int i = 0; i < 30000; ++i) {
      const double y = shape == 0   ? (i * 7) % 1000 / 10.0
                       : shape == 1 ? 50 + 40 * std::sin(i / 3000.0)
                                    : 60;
      points.push_back({i / 100.0, y});
    }
    const QPen pen(Qt::red, 1);
    const auto painted = [&](const std::function<void(QPainter&)>& paint) {
      QImage image(340, 120, QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      painter.setPen(pen);
      paint(painter);
      return image;
    };
    PlotLine line;
    line.SetPen(pen);
    line.Show(PointsToDraw(points, 0, 300, 300), plot, 0, 300, 0, 100);
    const QImage screen = painted([&](QPainter& p) { line.paint(&p, nullptr, nullptr); });
    const QImage whole = painted([&](QPainter& p) {
      QPolygonF polygon;
      for (const ChartPoint& point : points)
        polygon.append({plot.left() + point.x, plot.bottom() - point.y});
      p.drawPolyline(polygon);
    });
    const auto red = [](const QImage& image, int x, int y) {
      return x >= 0 && y >= 0 && x < image.width() && y < image.height() &&
             image.pixel(x, y) != qRgb(255, 255, 255);
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
        if (red(screen, x, y) && !near(whole, x, y))
          QFAIL(qPrintable(QStringLiteral("stray pixel at %1,%2").arg(x).arg(y)));
        if (red(whole, x, y) && !near(screen, x, y))
          QFAIL(qPrintable(QStringLiteral("missing pixel at %1,%2").arg(x).arg(y)));
      }
    }
    QVERIFY(paintedPixels >= 300);
  }

  // Zoomed in between two samples, the bottom axis still shows where it is.
  void bottomLabelsStayWhenZoomedBetweenSamples() {
    LineChart chart({QStringLiteral("Voltage"), Qt::red, QStringLiteral("UNIT V"), 0, 6000, 100});
    chart.resize(608, 247);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    for (int x = 1; x <= 4; ++x) chart.AddPoint(x, 1000.0 * x);
    chart.RefreshNow();
    QCoreApplication::processEvents();
    QWidget* viewport = chart.viewport();
    const QRectF plot = chart.chart()->plotArea();
    // A drag of about a tenth of the plot's width, from just right of sample 2.
    const QPoint from = chart.mapFromScene(plot.left() + plot.width() * 0.36, plot.top() + 20);
    test::DragMouse(viewport, Qt::LeftButton, from,
                    from + QPoint(static_cast<int>(plot.width() * 0.1), 60));
    QCoreApplication::processEvents();
    QVERIFY(chart.BottomRange().second - chart.BottomRange().first < 0.5);
    QVERIFY2(chart.BottomLabels().size() >= 2, "labels under the plot");
  }
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::LineChartTest)
#include "line_chart_test.moc"
