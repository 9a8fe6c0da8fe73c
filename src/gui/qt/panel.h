#pragma once
// A plain container in the button-face colour with an outer and an inner one-pixel bevel,
// each raised, lowered or absent. Its layout margins leave the bevels uncovered.

#include <QWidget>

namespace kelvatrix {

class Panel : public QWidget {
 public:
  enum class Bevel { None, Raised, Lowered };

  Panel(const QString& name, Bevel outer, Bevel inner, QWidget* parent);

  // Pixels taken by the bevels on each side.
  int BevelWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Bevel outer_;
  Bevel inner_;
};

}  // namespace kelvatrix
