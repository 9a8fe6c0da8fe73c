#include "views/chart_math.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvatrix {

double NextLabelStep(double step) {
  const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  const double mantissa = step / power;
  if (mantissa < 2 - 1e-9) return 2 * power;
  if (mantissa < 5 - 1e-9) return 5 * power;
  return 10 * power;
}

double LabelStep(double increment, double range, double axisPixels, double labelPixels) {
  if (increment <= 0 || range <= 0 || labelPixels <= 0) return increment;
  const double fit = std::max(1.0, std::round(axisPixels / (labelPixels * 1.1)));
  double step = increment;
  while (std::round(range / step) > fit) step = NextLabelStep(step);
  return step;
}

double ReadableLabelStep(double increment, double range, double axisPixels, double labelPixels,
                         double labelBoxPixels) {
  double step = LabelStep(increment, range, axisPixels, labelPixels);
  if (step <= 0 || range <= 0 || axisPixels <= 0) return step;
  // Past the whole range there is one label at most: nothing left to overlap.
  while (step < range && axisPixels * step / range < labelBoxPixels) step = NextLabelStep(step);
  return step;
}

std::vector<double> LabelValues(double min, double max, double step) {
  std::vector<double> values;
  if (!(step > 0) || max < min) return values;
  const double first = std::ceil(min / step - 1e-9);
  // An axis shows a few dozen labels at most; the cap keeps a degenerate step from
  // filling memory. Adding 0.0 turns -0 into 0, which prints without a sign.
  for (double n = first; n * step <= max + step * 1e-9 && values.size() < 1000; ++n) {
    values.push_back(n * step + 0.0);
  }
  return values;
}

std::string FormatAxisLabel(double value, std::string_view groupSeparator,
                            std::string_view decimalPoint) {
  const double rounded = std::round(value * 1000) / 1000;
  const bool negative = rounded < 0;
  const long long thousandths = std::llround(std::fabs(rounded) * 1000);
  const std::string whole = std::to_string(thousandths / 1000);
  std::string text;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) text += groupSeparator;
    text += whole[i];
  }
  if (const long long fraction = thousandths % 1000; fraction != 0) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, 3 - digits.size(), '0');
    digits.erase(digits.find_last_not_of('0') + 1);
    text += decimalPoint;
    text += digits;
  }
  return negative && thousandths != 0 ? "-" + text : text;
}

std::size_t InsertPoint(std::vector<ChartPoint>& points, ChartPoint point) {
  if (points.empty() || point.x >= points.back().x) {
    points.push_back(point);
    return points.size() - 1;
  }
  const auto after = std::upper_bound(points.begin(), points.end(), point.x,
                                      [](double x, const ChartPoint& p) { return x < p.x; });
  const auto inserted = points.insert(after, point);
  return static_cast<std::size_t>(inserted - points.begin());
}

namespace {

// The first lowest and first highest of points[first, last), point by point. Kept by value
// as well, so the loop compiles without branches: a noisy series would mispredict most.
std::pair<std::size_t, std::size_t> ScanExtremes(const std::vector<ChartPoint>& points,
                                                 std::size_t first, std::size_t last,
                                                 std::pair<std::size_t, std::size_t> found) {
  double lowY = points[found.first].y;
  double highY = points[found.second].y;
  for (std::size_t i = first; i < last; ++i) {
    const double y = points[i].y;
    const bool lower = y < lowY;
    const bool higher = y > highY;
    found.first = lower ? i : found.first;
    lowY = lower ? y : lowY;
    found.second = higher ? i : found.second;
    highY = higher ? y : highY;
  }
  return found;
}

}  // namespace

void BlockExtremes::Update(const std::vector<ChartPoint>& points) {
  const std::size_t whole = points.size() / kSize;
  blocks_.resize(whole);
  for (std::size_t b = valid_; b < whole; ++b) {
    const std::size_t start = b * kSize;
    const auto [low, high] = ScanExtremes(points, start + 1, start + kSize, {start, start});
    blocks_[b] = {low, high};
  }
  valid_ = whole;
}

std::pair<std::size_t, std::size_t> BlockExtremes::Extremes(const std::vector<ChartPoint>& points,
                                                            std::size_t first,
                                                            std::size_t last) const {
  std::pair<std::size_t, std::size_t> found{first, first};
  const std::size_t firstWhole = (first + kSize - 1) / kSize;  // blocks wholly inside
  const std::size_t endWhole = std::min(last / kSize, blocks_.size());
  if (firstWhole >= endWhole) return ScanExtremes(points, first + 1, last, found);
  // In order: the part before the first whole block, the blocks, the part after them, so
  // that of equal extremes the first is kept.
  found = ScanExtremes(points, first + 1, firstWhole * kSize, found);
  for (std::size_t b = firstWhole; b < endWhole; ++b) {
    if (points[blocks_[b].low].y < points[found.first].y) found.first = blocks_[b].low;
    if (points[blocks_[b].high].y > points[found.second].y) found.second = blocks_[b].high;
  }
  return ScanExtremes(points, endWhole * kSize, last, found);
}

std::vector<ChartPoint> PointsToDraw(const std::vector<ChartPoint>& points, double xMin,
                                     double xMax, int columns, const BlockExtremes* blocks) {
  const auto byX = [](const ChartPoint& p, double x) { return p.x < x; };
  auto first = std::lower_bound(points.begin(), points.end(), xMin, byX);
  auto last = std::upper_bound(points.begin(), points.end(), xMax,
                               [](double x, const ChartPoint& p) { return x < p.x; });
  if (first != points.begin()) --first;
  if (last != points.end()) ++last;
  const auto count = static_cast<std::size_t>(last - first);
  if (columns <= 0 || count <= static_cast<std::size_t>(columns) * 4 || xMax <= xMin) {
    return {first, last};
  }

  std::vector<ChartPoint> shown;
  shown.reserve(static_cast<std::size_t>(columns) * 4 + 2);
  const double scale = columns / (xMax - xMin);
  // Clamped before it is made an integer: the neighbour outside a deep zoom may lie
  // millions of columns away. Rounded down, not toward zero: a neighbour less than a
  // column left of the range belongs to column -1, not to column 0, whose extremes it
  // would take the place of.
  auto column = [&](const ChartPoint& p) {
    return static_cast<int>(
        std::floor(std::clamp((p.x - xMin) * scale, -1.0, static_cast<double>(columns))));
  };
  const auto index = [&](auto it) { return static_cast<std::size_t>(it - points.begin()); };
  // Without blocks of its own a series is scanned point by point.
  static const BlockExtremes kNoBlocks;
  const BlockExtremes& byBlocks = blocks ? *blocks : kNoBlocks;
  for (auto it = first; it != last;) {
    const int c = column(*it);
    // The column's end found by bisection: a long series has many points a column.
    const auto end =
        std::partition_point(it, last, [&](const ChartPoint& p) { return column(p) <= c; });
    const auto [lowAt, highAt] = byBlocks.Extremes(points, index(it), index(end));
    const auto low = points.begin() + static_cast<std::ptrdiff_t>(lowAt);
    const auto high = points.begin() + static_cast<std::ptrdiff_t>(highAt);
    // First, the extremes in the order they come, last: the line's shape in this column.
    std::array<decltype(it), 4> keep = {it, low, high, std::prev(end)};
    std::sort(keep.begin(), keep.end());
    const auto kept = std::unique(keep.begin(), keep.end());
    for (auto k = keep.begin(); k != kept; ++k) shown.push_back(**k);
    it = end;
  }
  return shown;
}

namespace {

// Liang-Barsky: narrows [t0, t1] of the segment a + t (b - a) to the part inside the box.
// False when nothing of it is inside.
bool ClipSegment(const ChartPoint& a, const ChartPoint& b, const PlotBox& box, double& t0,
                 double& t1) {
  t0 = 0;
  t1 = 1;
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  // Each edge as p * t <= q: left, right, top, bottom.
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - box.left, box.right - a.x, a.y - box.top, box.bottom - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;  // parallel to this edge and outside it
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  return true;
}

ChartPoint At(const ChartPoint& a, const ChartPoint& b, double t) {
  if (t <= 0) return a;
  if (t >= 1) return b;
  return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
}

}  // namespace

std::vector<std::vector<ChartPoint>> ClipPolyline(const std::vector<ChartPoint>& points,
                                                  const PlotBox& box) {
  std::vector<std::vector<ChartPoint>> pieces;
  bool open = false;  // the last piece ends where the next segment starts
  for (std::size_t i = 1; i < points.size(); ++i) {
    const ChartPoint& a = points[i - 1];
    const ChartPoint& b = points[i];
    double t0 = 0;
    double t1 = 1;
    if (!ClipSegment(a, b, box, t0, t1)) {
      open = false;
      continue;
    }
    if (!open || t0 > 0) pieces.push_back({At(a, b, t0)});
    pieces.back().push_back(At(a, b, t1));
    open = t1 >= 1;
  }
  return pieces;
}

std::vector<ChartPoint> PointsOnPixels(const std::vector<ChartPoint>& line) {
  struct Pixel {
    double x, y;
  };
  const auto pixel = [](const ChartPoint& p) { return Pixel{std::round(p.x), std::round(p.y)}; };
  const auto between = [](double a, double middle, double b) {
    return (a <= middle && middle <= b) || (b <= middle && middle <= a);
  };
  std::vector<ChartPoint> kept;
  std::vector<Pixel> pixels;  // of the kept points
  for (const ChartPoint& point : line) {
    const Pixel at = pixel(point);
    if (!pixels.empty() && pixels.back().x == at.x && pixels.back().y == at.y) continue;
    if (pixels.size() >= 2) {
      const Pixel& first = pixels[pixels.size() - 2];
      const Pixel& middle = pixels.back();
      const bool sameRow =
          first.y == middle.y && middle.y == at.y && between(first.x, middle.x, at.x);
      const bool sameColumn =
          first.x == middle.x && middle.x == at.x && between(first.y, middle.y, at.y);
      if (sameRow || sameColumn) {
        kept.back() = point;
        pixels.back() = at;
        continue;
      }
    }
    kept.push_back(point);
    pixels.push_back(at);
  }
  return kept;
}

ScreenLine LineOnPixels(const std::vector<ChartPoint>& line) {
  ScreenLine screen;
  const auto column = [](const ChartPoint& p) { return std::floor(p.x); };
  const auto row = [](const ChartPoint& p) { return static_cast<int>(std::floor(p.y + 0.5)); };
  std::vector<ChartPoint> path;
  const auto endPath = [&] {
    if (path.size() >= 2) screen.paths.push_back(PointsOnPixels(path));
    path.clear();
  };
  for (std::size_t first = 0; first < line.size();) {
    std::size_t last = first;
    while (last + 1 < line.size() && column(line[last + 1]) == column(line[first])) ++last;
    PixelSpan span{static_cast<int>(column(line[first])), row(line[first]), row(line[first])};
    for (std::size_t i = first + 1; i <= last; ++i) {
      span.top = std::min(span.top, row(line[i]));
      span.bottom = std::max(span.bottom, row(line[i]));
    }
    if (last - first >= 2 && span.bottom - span.top >= kSpanRows - 1) {
      screen.spans.push_back(span);
      path.push_back(line[first]);
      endPath();
      path.push_back(line[last]);
    } else {
      path.insert(path.end(), line.begin() + static_cast<std::ptrdiff_t>(first),
                  line.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    }
    first = last + 1;
  }
  endPath();
  return screen;
}

}  // namespace kelvatrix
