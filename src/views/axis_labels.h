#pragma once
// The texts of an axis's labels, each laid out once for drawing: from frame to frame an
// axis mostly shows the same texts in new places, and a text laid out again every frame
// cost more than drawing it.

#include <QBrush>
#include <QFont>
#include <QPen>
#include <QStaticText>
#include <QString>

#include <vector>

namespace kelvatrix {

// The measures both axes share, those of Qt Charts' own axes, so the chart reads as before.
constexpr double kTickLength = 4;
constexpr double kBoxMargin = 0.5;  // round the text of a label's box

// How a chart's axes are drawn: Qt Charts' theme pens, the labels' font and colour.
struct AxisLook {
  QPen line;
  QPen grid;
  QFont font;
  QBrush labels;
};

class AxisLabels {
 public:
  // Forgets every layout: the next Set lays its texts out in `font`.
  void SetFont(const QFont& font);
  // Takes `texts`, laying out only those not shown before. False when they are the same.
  bool Set(std::vector<QString> texts);

  std::size_t Count() const { return texts_.size(); }
  const std::vector<QString>& Texts() const { return texts_; }
  const QStaticText& LaidOut(std::size_t label) const { return laidOut_[label]; }
  // The width of the widest text; 0 when there is none.
  double Widest() const { return widest_; }

 private:
  QFont font_;
  std::vector<QString> texts_;
  std::vector<QStaticText> laidOut_;
  double widest_ = 0;
};

}  // namespace kelvatrix
