#pragma once
// The drawing math of the line charts, as pure functions (no Qt): the left axis's label
// step, its label text, the points worth drawing at a given width, and the part of the line
// that falls inside the plot.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvatrix {

struct ChartPoint {
  double x = 0;
  double y = 0;
  bool operator==(const ChartPoint&) const = default;
};

// The next step of the 1-2-5 series: 1 -> 2 -> 5 -> 10 -> 20 ... (also for 0.1 and such).
double NextLabelStep(double step);

// The step between left-axis labels: it starts at `increment` and moves along the 1-2-5
// series while more labels than fit would be shown. As many labels fit as the axis
// length holds label heights plus 10 percent, rounded.
double LabelStep(double increment, double range, double axisPixels, double labelPixels);

// The step of the rule above, moved further along the series while neighbouring labels
// would stand closer than `labelBoxPixels`, the height the chart engine gives a label's
// box: closer labels would overlap, and the engine hides every other one.
double ReadableLabelStep(double increment, double range, double axisPixels, double labelPixels,
                         double labelBoxPixels);

// The multiples of `step` from min to max: where an axis with that label step has its
// labels. None when the step is not positive.
std::vector<double> LabelValues(double min, double max, double step);

// A label in the pattern "#,##0.###": digit groups, at most three decimals, no trailing
// zeros ("1,500", "0.125", "2").
std::string FormatAxisLabel(double value, std::string_view groupSeparator,
                            std::string_view decimalPoint);

// Inserts by the point-order rule: appended when x is not below the last x, otherwise
// directly after the last point whose x is not greater. Returns the new point's index.
std::size_t InsertPoint(std::vector<ChartPoint>& points, ChartPoint point);

// The lowest and highest point of each block of kSize consecutive points of a series, so
// that the extremes of a long stretch are found a block at a time: thinning a series of
// 60,000 points to the plot's width then reads a fraction of them at every frame.
class BlockExtremes {
 public:
  static constexpr std::size_t kSize = 16;

  // The points from `index` on changed (added, inserted, removed).
  void ChangedFrom(std::size_t index) { valid_ = std::min(valid_, index / kSize); }
  // Brings the blocks up to date with `points`.
  void Update(const std::vector<ChartPoint>& points);
  // The first lowest and the first highest point of points[first, last), first < last;
  // the blocks must be up to date.
  std::pair<std::size_t, std::size_t> Extremes(const std::vector<ChartPoint>& points,
                                               std::size_t first, std::size_t last) const;

 private:
  struct Block {
    std::size_t low = 0;
    std::size_t high = 0;
  };
  std::vector<Block> blocks_;  // whole blocks only
  std::size_t valid_ = 0;      // blocks before it are up to date
};

// The points to draw for [xMin, xMax] on `columns` pixels: all of them when few, else per
// pixel column its first, lowest, highest and last point (the line looks the same), plus
// the neighbours just outside the range so the line reaches the edges. With `blocks` (up
// to date with `points`) a column's extremes are found block by block.
std::vector<ChartPoint> PointsToDraw(const std::vector<ChartPoint>& points, double xMin,
                                     double xMax, int columns,
                                     const BlockExtremes* blocks = nullptr);

// A rectangle in drawing coordinates (y grows downwards).
struct PlotBox {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};

// The pieces of the line through `points` (drawing coordinates) that lie inside `box`, each
// a line of its own: a line that leaves the box and comes back makes two pieces. Segments
// are cut where they cross the box, so a far-off point (a deep zoom puts points millions of
// pixels away) never reaches the painter.
std::vector<std::vector<ChartPoint>> ClipPolyline(const std::vector<ChartPoint>& points,
                                                  const PlotBox& box);

// The points of a polyline in pixels that a one-pixel line needs: a point in the same
// pixel as the one before it adds nothing, nor does the middle one of three in one pixel
// row or column when it lies between the other two. A thinned series keeps up to four
// points a column, most of them in a pixel already drawn.
std::vector<ChartPoint> PointsOnPixels(const std::vector<ChartPoint>& line);

// A pixel column's run of pixels, top to bottom inclusive.
struct PixelSpan {
  int x = 0;
  int top = 0;
  int bottom = 0;
  bool operator==(const PixelSpan&) const = default;
};

// A one-pixel line on the screen, split to paint cheaply. Where the line goes up and down
// within one pixel column (a noisy series thinned to its extremes), a line painter walks
// those pixels up to three times, one at a time; the same pixels filled as one span per
// column cost a fraction. The paths join the spans: a path ends where the line enters such
// a column and the next starts where it leaves it.
struct ScreenLine {
  std::vector<std::vector<ChartPoint>> paths;
  std::vector<PixelSpan> spans;
};

// The line through `line` (pixels), with every run of three or more points in one pixel
// column (the column a near-vertical line is drawn in: x rounded down) that reaches over
// kSpanRows rows or more taken out as a span; a shorter run costs less as a path. The
// paths keep only the points of PointsOnPixels.
inline constexpr int kSpanRows = 4;
ScreenLine LineOnPixels(const std::vector<ChartPoint>& line);

}  // namespace kelvatrix
