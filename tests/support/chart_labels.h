#pragma once
// The left-axis labels of a line chart as they stand on the screen: the text items of the
// chart's scene left of the plot area, bottom to top, with their places.

#include <QGraphicsScene>
#include <QGraphicsTextItem>

#include <algorithm>
#include <vector>

#include "views/line_chart.h"

namespace kelvatrix::test {

struct ShownLabel {
  QString text;
  QRectF place;
};

inline std::vector<ShownLabel> LeftLabelsShown(LineChart& chart) {
  const QRectF plot = chart.chart()->plotArea();
  std::vector<ShownLabel> shown;
  for (const QGraphicsItem* item : chart.scene()->items()) {
    const auto* text = dynamic_cast<const QGraphicsTextItem*>(item);
    if (!text || !text->isVisible() || text->rotation() != 0) continue;  // rotated: the axis title
    if (text->toPlainText().isEmpty()) continue;
    const QRectF place = text->sceneBoundingRect();
    if (place.right() > plot.left() + 1 || place.bottom() < plot.top() - place.height() ||
        place.top() > plot.bottom() + place.height()) {
      continue;  // the chart title, the bottom axis
    }
    shown.push_back({text->toPlainText(), place});
  }
  std::sort(shown.begin(), shown.end(), [](const ShownLabel& a, const ShownLabel& b) {
    return a.place.center().y() > b.place.center().y();
  });
  return shown;
}

}  // namespace kelvatrix::test
