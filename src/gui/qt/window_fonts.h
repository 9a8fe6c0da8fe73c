#pragma once
// The window's font: MS Sans Serif, 11 pixels high, as the layout was drawn with. Where it
// is not installed, Arial, and then Liberation Sans, which has Arial's metrics.

#include <QFont>
#include <QStringList>

namespace kelvatrix {

inline QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  font.setWeight(QFont::Normal);
  return font;
}

}  // namespace kelvatrix
