#pragma once
// The one-pixel splitter between the grid pane (left) and the chart pane (right). While
// it is dragged a hatched line follows the mouse; the panes change when the button is
// released, within the limits of GridPaneWidthAfterDrag. The grid pane keeps its width
// when the window is resized.

#include <QSplitter>

namespace kelvatrix {

class PaneSplitter : public QSplitter {
 public:
  PaneSplitter(QWidget* gridPane, QWidget* chartPane, QWidget* parent);

  int GridPaneWidth() const;
  // Where a drag of the boundary to `requested` leaves the grid pane.
  int LegalGridPaneWidth(int requested) const;
  void ShowDragLine(int gridPaneWidth);
  void SetGridPaneWidth(int width);

 protected:
  QSplitterHandle* createHandle() override;
};

}  // namespace kelvatrix
