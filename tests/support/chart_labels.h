#pragma once
// The left-axis labels of a line chart as they stand on the screen, bottom to top, with
// their places.

#include <string>
#include <vector>

#include "views/line_chart.h"

namespace kelvatrix::test {

struct ShownLabel {
  std::string text;
  RectF place;
};

inline std::vector<ShownLabel> LeftLabelsShown(const LineChart& chart) {
  std::vector<ShownLabel> shown;
  for (const auto& [text, place] : chart.LeftLabels()) shown.push_back({text, place});
  return shown;
}

}  // namespace kelvatrix::test
