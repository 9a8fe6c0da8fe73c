#include "views/axis_labels.h"

#include <algorithm>

namespace kelvatrix {

void AxisLabels::SetFont(const QFont& font) {
  font_ = font;
  texts_.clear();
  laidOut_.clear();
  widest_ = 0;
}

bool AxisLabels::Set(std::vector<QString> texts) {
  if (texts == texts_) return false;
  std::vector<QStaticText> laidOut;
  laidOut.reserve(texts.size());
  double widest = 0;
  for (const QString& text : texts) {
    const auto same = std::find(texts_.begin(), texts_.end(), text);
    if (same != texts_.end()) {
      laidOut.push_back(laidOut_[static_cast<std::size_t>(same - texts_.begin())]);
    } else {
      QStaticText label(text);
      label.setTextFormat(Qt::PlainText);
      label.prepare(QTransform(), font_);
      laidOut.push_back(label);
    }
    widest = std::max(widest, laidOut.back().size().width());
  }
  texts_ = std::move(texts);
  laidOut_ = std::move(laidOut);
  widest_ = widest;
  return true;
}

}  // namespace kelvatrix
