#pragma once
// Points, rectangles and sizes in the units of whatever is drawn on: device pixels on a
// screen or an image, a chart's own units on a page. A rectangle covers [left, right) x
// [top, bottom) as far as filling goes; a line along its edge is drawn on the edge's
// coordinate.

namespace kelvatrix {

struct PointF {
  double x = 0;
  double y = 0;
  bool operator==(const PointF&) const = default;
};

struct SizeF {
  double width = 0;
  double height = 0;
  bool operator==(const SizeF&) const = default;
};

struct LineF {
  PointF from;
  PointF to;
  bool operator==(const LineF&) const = default;
};

struct RectF {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;

  static RectF FromEdges(double left, double top, double right, double bottom) {
    return {left, top, right - left, bottom - top};
  }
  double Right() const { return left + width; }
  double Bottom() const { return top + height; }
  PointF TopLeft() const { return {left, top}; }
  PointF Center() const { return {left + width / 2, top + height / 2}; }
  bool Empty() const { return width <= 0 || height <= 0; }
  bool Contains(PointF p) const { return p.x >= left && p.x < Right() && p.y >= top && p.y < Bottom(); }
  // Each edge moved by its own amount: positive moves the left and top edges right and
  // down, the right and bottom edges right and down too.
  RectF Adjusted(double dLeft, double dTop, double dRight, double dBottom) const {
    return FromEdges(left + dLeft, top + dTop, Right() + dRight, Bottom() + dBottom);
  }
  bool operator==(const RectF&) const = default;
};

}  // namespace kelvatrix
