// The line chart without a window system: its axes' labels, the line's place, what it
// draws on a canvas and in which order, zoom and pan with the mouse, and a page.
#include "views/line_chart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "chart_labels.h"
#include "recording_canvas.h"

namespace kelvatrix {
namespace {

using test::DrawCall;

LineChartStyle Resistance(double increment = 1) { return {"Resistance", {0, 128, 0}, "UNIT M ohm", 0, 100, increment}; }
LineChartStyle Voltage() { return {"Voltage", {255, 0, 0}, "UNIT V", 0, 6000, 100}; }

// What a host sees: refreshes asked for, repaints, the zoom band.
struct Host final : LineChart::Host {
  void RefreshWanted() override { ++refreshes; }
  void Repaint() override { ++repaints; }
  void ShowZoomBand(const std::optional<ZoomBand>& shown) override { band = shown; }
  int refreshes = 0;
  int repaints = 0;
  std::optional<ZoomBand> band;
};

double Number(const std::string& label) {
  std::string plain;
  for (const char c : label)
    if (c != ',') plain += c;
  return std::stod(plain);
}

struct LeftLabelCase {
  const char* name;
  double increment;
  double min;
  double max;
  int height;
  double step;
  const char* lowest;
  const char* highest;
};

// The ranges the resistance axis passes through while it grows, a zoomed one, and the
// voltage axis, on the window's chart heights: every label is there, on its step, and no
// two overlap.
TEST(LineChartTest, LeftLabelsStandOnTheirStepWithoutOverlapping) {
  const LeftLabelCase cases[] = {
      {"voltage 0-6000", 100, 0, 6000, 247, 500, "0", "6,000"},
      {"resistance 0-100", 1, 0, 100, 224, 10, "0", "100"},
      {"resistance 0-180", 1, 0, 180, 224, 20, "0", "180"},
      {"resistance 0-450", 1, 0, 450, 224, 50, "0", "450"},
      {"resistance 0-25,010", 1, 0, 25010, 224, 5000, "0", "25,000"},
      {"zoomed 37.3-121.9", 1, 37.3, 121.9, 224, 10, "40", "120"},
      {"zoomed to 3 M ohm", 1, 2, 5, 224, 1, "2", "5"},
      {"a tall chart 0-450", 1, 0, 450, 600, 20, "0", "440"},
  };
  test::FixedMeasure measure;
  for (const LeftLabelCase& c : cases) {
    SCOPED_TRACE(c.name);
    LineChart chart(Resistance(c.increment), measure);
    chart.Resize(608, c.height);
    for (double grow = 100; grow < c.max; grow = grow * 1.5 + 10) {  // as a download grows the axis
      chart.SetLeftAxisRange(c.min, grow);
      chart.Refresh();
    }
    chart.SetLeftAxisRange(c.min, c.max);
    chart.Refresh();
    EXPECT_EQ(chart.LeftLabelStep(), c.step);
    const std::vector<test::ShownLabel> labels = test::LeftLabelsShown(chart);
    ASSERT_GE(labels.size(), 2u);
    EXPECT_EQ(labels.front().text, c.lowest);
    EXPECT_EQ(labels.back().text, c.highest);
    for (std::size_t i = 1; i < labels.size(); ++i) {
      EXPECT_NEAR(Number(labels[i].text), Number(labels[i - 1].text) + c.step, 1e-9) << labels[i].text;
      EXPECT_LE(labels[i].place.Bottom(), labels[i - 1].place.top + labels[i].place.height * 0.5) << labels[i].text;
    }
  }
}

TEST(LineChartTest, LeftLabelsTakeTheLocalesSeparators) {
  test::FixedMeasure measure;
  LineChart chart(Voltage(), measure);
  chart.SetNumberFormat(".", ",");
  chart.Resize(608, 247);
  chart.SetLeftAxisRange(0, 2.5);
  chart.Refresh();
  chart.SetLeftAxisRange(0, 6000);
  chart.Refresh();
  EXPECT_EQ(test::LeftLabelsShown(chart).back().text, "6.000");
}

// From two samples to six hundred in one refresh (a page laid out afresh, a fast
// download): the labels are those of the wide range, on a step that leaves room for each,
// never the narrow range's step across the wide one (thousands of labels, which once took
// a printout minutes).
TEST(LineChartTest, BottomLabelsFitTheWidthAfterTheRangeGrew) {
  test::FixedMeasure measure;
  LineChart chart(Voltage(), measure);
  chart.Resize(608, 247);
  chart.AddPoint(1, 100);
  chart.AddPoint(2, 200);
  chart.Refresh();
  EXPECT_EQ(chart.BottomLabels().size(), 11u);  // 1 to 2 in tenths
  EXPECT_EQ(chart.BottomLabels()[1], "1.1");
  for (int x = 3; x <= 600; ++x) chart.AddPoint(x, 5000);
  chart.Refresh();
  EXPECT_EQ(chart.BottomRange(), std::make_pair(1.0, 600.0));
  const std::vector<std::string> labels = chart.BottomLabels();
  ASSERT_GE(labels.size(), 5u);
  ASSERT_LE(labels.size(), 15u);
  const double step = std::stod(labels[1]) - std::stod(labels[0]);
  for (std::size_t i = 0; i < labels.size(); ++i) EXPECT_EQ(std::stod(labels[i]), std::stod(labels[0]) + step * i);
  EXPECT_EQ(labels.back(), "600");
}

// The axes' grid and labels first (the bottom axis under the left one), the line over
// them, the title over the plot's middle; the line stays inside the plot even for a point
// far off the scale, and stands where the axes put its points.
TEST(LineChartTest, DrawsAxesThenTheLineInsideThePlotThenTheTitle) {
  test::FixedMeasure measure;
  LineChart chart(Resistance(), measure);
  chart.Resize(608, 224);
  chart.AddPoint(0, 50);
  chart.AddPoint(50, 50);
  chart.AddPoint(51, 1e12);  // a G ohm reading far above a fixed axis
  chart.AddPoint(100, 50);
  chart.Refresh();
  test::RecordingCanvas canvas;
  chart.Draw(canvas);

  const RectF plot = chart.PlotArea();
  EXPECT_EQ(plot.top, 27.5);
  EXPECT_EQ(plot.Bottom(), 224 - 2 - std::ceil(1 + 4.5 + 12.28125 + 1) - 9.5);
  const int bottomLabel = canvas.IndexOfText("100");  // of the bottom axis: drawn first
  const int leftLabel = canvas.IndexOfText("UNIT M ohm");
  const int title = canvas.IndexOfText("Resistance");
  ASSERT_GE(bottomLabel, 0);
  ASSERT_GT(leftLabel, bottomLabel);
  ASSERT_GT(title, leftLabel);
  const DrawCall& titleCall = canvas.calls[static_cast<std::size_t>(title)];
  EXPECT_EQ(titleCall.pen.color, (Rgb{0, 128, 0}));
  EXPECT_NEAR(titleCall.points[0].x + measure.Advance({}, "Resistance") / 2, plot.Center().x, 1.0);

  double levelFrom = plot.Right();  // where the line runs at the level of 50: half-way up
  double levelTo = plot.left;
  for (std::size_t i = 0; i < canvas.calls.size(); ++i) {
    const DrawCall& call = canvas.calls[i];
    if (call.pen.color != Rgb{255, 0, 0} && call.fill != Rgb{255, 0, 0}) continue;
    EXPECT_GT(static_cast<int>(i), leftLabel) << "the line goes over the axes";
    EXPECT_LT(static_cast<int>(i), title);
    std::vector<PointF> ends = call.points;
    if (call.kind == DrawCall::Kind::FillRect) ends = {call.rect.TopLeft(), {call.rect.Right(), call.rect.Bottom()}};
    for (const PointF& p : ends) {
      EXPECT_GE(p.x, plot.left - 1);
      EXPECT_LE(p.x, plot.Right() + 1);
      EXPECT_GE(p.y, plot.top - 1);
      EXPECT_LE(p.y, plot.Bottom() + 1);
      if (std::abs(p.y - plot.Center().y) <= 1) {
        levelFrom = std::min(levelFrom, p.x);
        levelTo = std::max(levelTo, p.x);
      }
    }
  }
  EXPECT_LE(levelFrom, plot.left + 1);
  EXPECT_GE(levelTo, plot.left + plot.width / 2 - 1);
}

// Zoom: a drag down-right of more than 16 pixels both ways zooms to it, a shorter one does
// nothing, up-left undoes; a right drag pans without a new record; undo restores the axes
// from before the first zoom. Zoomed in between two samples, the bottom axis still shows
// where it is.
TEST(LineChartTest, MouseZoomsPansAndUndoes) {
  test::FixedMeasure measure;
  Host host;
  LineChart chart(Voltage(), measure);
  chart.SetHost(&host);
  chart.Resize(608, 247);
  for (int x = 1; x <= 4; ++x) chart.AddPoint(x, 1000.0 * x);
  EXPECT_GT(host.refreshes, 0);
  chart.Refresh();
  EXPECT_GT(host.repaints, 0);
  const auto left = chart.LeftRange();
  const auto bottom = chart.BottomRange();
  const RectF plot = chart.PlotArea();
  const auto drag = [&](LineChart::Button button, PointF from, PointF to) {
    chart.MousePress(button, from);
    chart.MouseMove({(from.x + to.x) / 2, (from.y + to.y) / 2});
    chart.MouseMove(to);
    chart.MouseRelease(button, to);
  };
  const PointF middle = plot.Center();

  drag(LineChart::Button::Left, middle, {middle.x + 16, middle.y + 40});
  EXPECT_TRUE(chart.Restored());
  EXPECT_EQ(chart.LeftRange(), left);
  EXPECT_FALSE(host.band) << "the band goes with the release";

  chart.MousePress(LineChart::Button::Left, {plot.left + plot.width * 0.36, plot.top + 20});
  chart.MouseMove({plot.left + plot.width * 0.46, plot.top + 80});
  ASSERT_TRUE(host.band);
  EXPECT_EQ(host.band->to.y, plot.top + 80);
  chart.MouseRelease(LineChart::Button::Left, {plot.left + plot.width * 0.46, plot.top + 80});
  EXPECT_FALSE(chart.Restored());
  EXPECT_LT(chart.BottomRange().second - chart.BottomRange().first, 0.5);
  EXPECT_GE(chart.BottomLabels().size(), 2u);
  const auto zoomedLeft = chart.LeftRange();
  EXPECT_LT(zoomedLeft.second - zoomedLeft.first, left.second - left.first);

  const auto zoomedBottom = chart.BottomRange();
  const double unitsPerPixel = (zoomedBottom.second - zoomedBottom.first) / chart.PlotArea().width;
  drag(LineChart::Button::Right, middle, {middle.x + 30, middle.y});  // the plot follows the mouse
  EXPECT_NEAR(chart.BottomRange().first, zoomedBottom.first - 30 * unitsPerPixel, 1e-9);
  EXPECT_EQ(chart.LeftRange(), zoomedLeft);

  drag(LineChart::Button::Left, {middle.x + 40, middle.y + 40}, {middle.x - 40, middle.y - 40});
  EXPECT_TRUE(chart.Restored());
  EXPECT_EQ(chart.LeftRange(), left);
  EXPECT_EQ(chart.BottomRange(), bottom);
  chart.UndoZoom();  // nothing zoomed since: nothing changes
  EXPECT_EQ(chart.LeftRange(), left);
}

// On a page the chart is laid out for the target's size in screen units and drawn scaled
// into it, every point of the line kept.
TEST(LineChartTest, APageGetsTheChartLaidOutForItsSizeWithEveryPoint) {
  test::FixedMeasure measure;
  LineChart chart(Voltage(), measure);
  chart.Resize(608, 247);
  for (int x = 1; x <= 3000; ++x) chart.AddPoint(x, 5000 + (x % 7) * 10);
  chart.Refresh();
  test::RecordingCanvas page;
  page.SetPage();
  const RectF target{500, 400, 10000, 7000};  // 1200 dots to the inch: 12.5 times the screen's
  chart.PrintInto(page, target, 1200);
  ASSERT_FALSE(page.calls.empty());
  std::size_t linePoints = 0;
  for (const DrawCall& call : page.calls) {
    EXPECT_DOUBLE_EQ(call.scaleX, 10000 / 800.0);
    EXPECT_DOUBLE_EQ(call.scaleY, 7000 / 560.0);
    EXPECT_EQ(call.offset, (PointF{500, 400}));
    if (call.kind == DrawCall::Kind::Polyline && call.pen.color == Rgb{255, 0, 0}) linePoints += call.points.size();
    for (const PointF& p : call.points) {
      EXPECT_LE(p.x, 800);
      EXPECT_LE(p.y, 560);
    }
  }
  // Thinned to the page chart's width (about 700 columns, up to four points each).
  EXPECT_GT(linePoints, 1000u);
  EXPECT_EQ(page.Of(DrawCall::Kind::FillRect).size(), 0u) << "no pixel spans on a page";
}

}  // namespace
}  // namespace kelvatrix
