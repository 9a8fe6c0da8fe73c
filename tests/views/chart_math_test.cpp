#include "views/chart_math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kelvatrix {
namespace {

TEST(ChartMath, LabelStepMovesAlongOneTwoFiveUntilTheLabelsFit) {
  const struct {
    double increment, range, axisPixels, labelPixels, step;
  } cases[] = {
      {100, 6000, 2000, 13, 100},  // 140 labels fit: every 100 V
      {100, 6000, 180, 13, 500},   // 13 fit: 60 and 30 do not, 12 do
      {100, 6000, 100, 13, 1000},  // 7 fit
      {100, 6000, 20, 13, 5000},   // 1 fits: 6000/5000 rounds to 1
      {1, 100, 180, 13, 10},       // 13 fit: 100, 50, 20 do not, 10 do
      {1, 25010, 180, 13, 2000},  {1, 1033, 180, 13, 100},
      {1, 100, 0, 13, 100},  // no room: one label, as few as there can be
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(LabelStep(c.increment, c.range, c.axisPixels, c.labelPixels), c.step)
        << c.range << " on " << c.axisPixels << " px";
  }
  EXPECT_DOUBLE_EQ(NextLabelStep(0.1), 0.2);
  EXPECT_DOUBLE_EQ(NextLabelStep(0.2), 0.5);
  EXPECT_DOUBLE_EQ(NextLabelStep(0.5), 1);
  EXPECT_DOUBLE_EQ(NextLabelStep(500), 1000);
}

// The engine lays a 12-pixel text out in a 15-pixel box: where the rule would put labels
// closer than that, they would overlap, so the step moves on.
TEST(ChartMath, ReadableLabelStepKeepsTheRuleWhileLabelsDoNotOverlap) {
  const struct {
    double increment, range, axisPixels, step;
  } cases[] = {
      {100, 6000, 188, 500},                           // the rule's 500 V: 15.7 px apart
      {1, 450, 165.5, 50},                             // 18.4 px apart
      {1, 180, 165.5, 20},   {1, 25010, 165.5, 5000},  // the rule's 2,000 would be 13.2 px apart
      {1, 100, 10, 100},  // no room at all: one step over the whole range
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(ReadableLabelStep(c.increment, c.range, c.axisPixels, 12, 15), c.step)
        << c.range << " on " << c.axisPixels << " px";
  }
}

TEST(ChartMath, LabelValuesAreTheStepsMultiplesInTheRange) {
  const struct {
    double min, max, step;
    std::vector<double> values;
  } cases[] = {
      {0, 600, 100, {0, 100, 200, 300, 400, 500, 600}},
      {1, 2, 0.1, {1, 1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2}},  // ends survive rounding
      {-250, 250, 200, {-200, 0, 200}},
      {7, 9, 5, {}},   // no multiple inside
      {0, 10, 0, {}},  // no step
      {10, 0, 5, {}},  // an empty range
  };
  for (const auto& c : cases) {
    const std::vector<double> values = LabelValues(c.min, c.max, c.step);
    ASSERT_EQ(values.size(), c.values.size()) << c.min << ".." << c.max << " by " << c.step;
    for (std::size_t i = 0; i < values.size(); ++i) EXPECT_NEAR(values[i], c.values[i], 1e-9);
  }
  EXPECT_FALSE(std::signbit(LabelValues(-0.5, 1, 1).front())) << "0 would print as -0";
  EXPECT_LE(LabelValues(0, 1e12, 1e-3).size(), 1000u);
}

TEST(ChartMath, LabelsGroupDigitsAndKeepAtMostThreeDecimals) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{0, "0"},          {100, "100"},  {1500, "1,500"}, {25010, "25,010"},
               {0.125, "0.125"},  {1.0004, "1"}, {2.5, "2.5"},    {1234567.891, "1,234,567.891"},
               {-1500, "-1,500"}, {-0.0001, "0"}};
  for (const auto& c : cases) EXPECT_EQ(FormatAxisLabel(c.value, ",", "."), c.text) << c.value;
  EXPECT_EQ(FormatAxisLabel(1500.5, ".", ","), "1.500,5");
}

TEST(ChartMath, PointsKeepAscendingXAndEqualXInTheOrderAdded) {
  std::vector<ChartPoint> points;
  EXPECT_EQ(InsertPoint(points, {1, 10}), 0u);
  EXPECT_EQ(InsertPoint(points, {3, 30}), 1u);
  EXPECT_EQ(InsertPoint(points, {3, 31}), 2u);  // equal x: after the last one
  EXPECT_EQ(InsertPoint(points, {2, 20}), 1u);  // inserted after x = 1
  EXPECT_EQ(InsertPoint(points, {1, 11}), 1u);  // after the last x not greater
  EXPECT_EQ(points, (std::vector<ChartPoint>{{1, 10}, {1, 11}, {2, 20}, {3, 30}, {3, 31}}));
}

TEST(ChartMath, ThinnedLineKeepsEveryColumnsExtremes) {
  std::vector<ChartPoint> points;
  for (int i = 1; i <= 60000; ++i)
    points.push_back({double(i), (i % 1000 == 500) ? 9000.0 : double(i % 7)});
  const auto shown = PointsToDraw(points, 1, 60000, 600);
  EXPECT_LE(shown.size(), 600u * 4 + 2);
  EXPECT_EQ(shown.front(), points.front());
  EXPECT_EQ(shown.back(), points.back());
  int spikes = 0;
  for (const auto& p : shown) spikes += p.y == 9000.0;
  EXPECT_EQ(spikes, 60) << "no spike is lost";
  for (std::size_t i = 1; i < shown.size(); ++i) EXPECT_LT(shown[i - 1].x, shown[i].x);

  // Few points, or a zoomed range: every point inside plus one neighbour on each side.
  const auto zoomed = PointsToDraw(points, 100.5, 110.5, 600);
  ASSERT_EQ(zoomed.size(), 12u);
  EXPECT_EQ(zoomed.front().x, 100);
  EXPECT_EQ(zoomed.back().x, 111);
  EXPECT_TRUE(PointsToDraw({}, 0, 1, 600).empty());
}

// Clipping to the box 0..10 x 0..10: what stays of each line, piece by piece.
TEST(ChartMath, ClippedLineKeepsOnlyWhatIsInsideTheBox) {
  using Pieces = std::vector<std::vector<ChartPoint>>;
  const PlotBox box{0, 0, 10, 10};
  const struct {
    const char* name;
    std::vector<ChartPoint> line;
    Pieces expected;
  } cases[] = {
      {"inside", {{1, 1}, {5, 5}, {9, 2}}, {{{1, 1}, {5, 5}, {9, 2}}}},
      {"out to the right and back",
       {{5, 5}, {15, 5}, {5, 7}},
       {{{5, 5}, {10, 5}}, {{10, 6}, {5, 7}}}},
      {"crossing the box", {{-10, 5}, {20, 5}}, {{{0, 5}, {10, 5}}}},
      {"a far-off point", {{5, 5}, {5, 5e9}}, {{{5, 5}, {5, 10}}}},
      {"wholly outside", {{-5, -5}, {-1, 20}, {20, 30}}, {}},
      {"along an edge", {{0, 0}, {0, 10}}, {{{0, 0}, {0, 10}}}},
      {"one point", {{5, 5}}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClipPolyline(c.line, box), c.expected) << c.name;
  }
}

TEST(ChartMath, PointsOnPixelsKeepWhatAOnePixelLineShows) {
  const struct {
    const char* what;
    std::vector<ChartPoint> line, kept;
  } cases[] = {
      {"a flat run keeps its ends", {{0, 5}, {1, 5.2}, {2, 4.9}, {3, 5}}, {{0, 5}, {3, 5}}},
      {"points in one pixel are one", {{0, 0}, {0.2, 0.3}, {0.4, -0.2}, {5, 5}}, {{0, 0}, {5, 5}}},
      {"a column's extremes stay",
       {{0, 0}, {0, 9}, {0, 4}, {1, 4}},
       {{0, 0}, {0, 9}, {0, 4}, {1, 4}}},
      {"a run that turns back keeps the turn", {{0, 0}, {5, 0}, {2, 0}}, {{0, 0}, {5, 0}, {2, 0}}},
      {"a slope keeps every step", {{0, 0}, {1, 1}, {2, 2}}, {{0, 0}, {1, 1}, {2, 2}}},
      {"nothing", {}, {}},
  };
  for (const auto& c : cases) {
    const std::vector<ChartPoint> kept = PointsOnPixels(c.line);
    ASSERT_EQ(kept.size(), c.kept.size()) << c.what;
    for (std::size_t i = 0; i < kept.size(); ++i) {
      EXPECT_DOUBLE_EQ(kept[i].x, c.kept[i].x) << c.what;
      EXPECT_DOUBLE_EQ(kept[i].y, c.kept[i].y) << c.what;
    }
  }
}

TEST(ChartMath, LineOnPixelsFillsColumnsTheLineRunsUpAndDown) {
  const struct {
    const char* what;
    std::vector<ChartPoint> line;
    std::vector<std::vector<ChartPoint>> paths;
    std::vector<PixelSpan> spans;
  } cases[] = {
      {"a column's zigzag becomes its span; the paths enter and leave it",
       {{0.5, 5}, {1.2, 4}, {1.4, 20}, {1.6, 2}, {1.9, 8}, {2.5, 9}},
       {{{0.5, 5}, {1.2, 4}}, {{1.9, 8}, {2.5, 9}}},
       {{1, 2, 20}}},
      {"a run shorter than a span stays on the path",
       {{0.5, 5}, {1.2, 4}, {1.4, 6}, {1.6, 5}, {2.5, 5}},
       {{{0.5, 5}, {1.2, 4}, {1.4, 6}, {1.6, 5}, {2.5, 5}}},
       {}},
      {"two points in a column are a path",
       {{0, 0}, {0.2, 30}, {1.5, 30}},
       {{{0, 0}, {0.2, 30}, {1.5, 30}}},
       {}},
      {"a line of one column is its span alone", {{3.1, 0}, {3.2, 9}, {3.3, 4}}, {}, {{3, 0, 9}}},
  };
  for (const auto& c : cases) {
    const ScreenLine screen = LineOnPixels(c.line);
    EXPECT_EQ(screen.paths, c.paths) << c.what;
    EXPECT_EQ(screen.spans, c.spans) << c.what;
  }
}

// Thinning as plainly as it can be written, to hold the real one against: the points in
// the range and one neighbour on each side; when there are more than four a column, per
// pixel column (x rounded down; the neighbours in columns -1 and `columns`) its first,
// first lowest, first highest and last point, in their order.
std::vector<ChartPoint> ThinnedPlainly(const std::vector<ChartPoint>& points, double xMin,
                                       double xMax, int columns) {
  std::size_t first = 0;
  while (first < points.size() && points[first].x < xMin) ++first;
  if (first > 0) --first;
  std::size_t end = first;
  while (end < points.size() && points[end].x <= xMax) ++end;
  if (end < points.size()) ++end;
  const std::vector<ChartPoint> range(points.begin() + first, points.begin() + end);
  if (range.size() <= static_cast<std::size_t>(columns) * 4) return range;
  const double scale = columns / (xMax - xMin);
  const auto column = [&](const ChartPoint& p) {
    return static_cast<int>(std::floor(std::clamp((p.x - xMin) * scale, -1.0, double(columns))));
  };
  std::vector<ChartPoint> shown;
  for (std::size_t start = 0; start < range.size();) {
    std::size_t stop = start;
    while (stop < range.size() && column(range[stop]) == column(range[start])) ++stop;
    std::size_t low = start, high = start;
    for (std::size_t i = start; i < stop; ++i) {
      if (range[i].y < range[low].y) low = i;
      if (range[i].y > range[high].y) high = i;
    }
    std::vector<std::size_t> keep = {start, low, high, stop - 1};
    std::sort(keep.begin(), keep.end());
    keep.erase(std::unique(keep.begin(), keep.end()), keep.end());
    for (const std::size_t i : keep) shown.push_back(range[i]);
    start = stop;
  }
  return shown;
}

// A neighbour less than a column left of the range is a point of its own, outside the
// plot: it never takes the place of column 0's own lowest reading.
TEST(ChartMath, TheNeighbourLeftOfTheRangeKeepsOutOfTheFirstColumn) {
  std::vector<ChartPoint> points = {{0.5, -100}};
  for (int x = 1; x <= 1001; ++x) points.push_back({double(x), x == 50 ? 2.0 : 5.0 + x % 3});
  const auto shown = PointsToDraw(points, 1, 1001, 10);
  EXPECT_EQ(shown.front(), (ChartPoint{0.5, -100}));
  EXPECT_NE(std::find(shown.begin(), shown.end(), ChartPoint{50, 2}), shown.end())
      << "column 0 lost its lowest";
  EXPECT_EQ(shown, ThinnedPlainly(points, 1, 1001, 10));
}

// Thinning, by blocks or point by point, keeps exactly the points of plain thinning: for
// noisy series with repeated values (the first of equal extremes counts), for ranges that
// start and end inside blocks and between points, and after a point is inserted in the
// middle.
TEST(ChartMath, ThinningKeepsThePointsOfPlainThinning) {
  std::vector<ChartPoint> points;
  for (int i = 0; i < 5000; ++i) points.push_back({i * 0.5, static_cast<double>((i * 7919) % 13)});
  BlockExtremes blocks;
  blocks.ChangedFrom(0);
  const struct {
    double xMin, xMax;
    int columns;
  } ranges[] = {{0, 2499.5, 300}, {3.3, 1001.7, 97}, {700.25, 900.75, 11}, {-50, 5000, 640}};
  for (int pass = 0; pass < 2; ++pass) {
    blocks.Update(points);
    for (const auto& r : ranges) {
      const auto plain = ThinnedPlainly(points, r.xMin, r.xMax, r.columns);
      EXPECT_EQ(PointsToDraw(points, r.xMin, r.xMax, r.columns, &blocks), plain)
          << "pass " << pass << ", " << r.xMin << " to " << r.xMax;
      EXPECT_EQ(PointsToDraw(points, r.xMin, r.xMax, r.columns), plain)
          << "pass " << pass << ", " << r.xMin << " to " << r.xMax;
    }
    // A reading with an earlier time goes in the middle; its blocks are made again.
    blocks.ChangedFrom(InsertPoint(points, {1000.2, -5}));
  }
}

}  // namespace
}  // namespace kelvatrix
