#include "gui/qt/pane_splitter.h"

#include <QMouseEvent>

#include "app/splitter_rule.h"

namespace kelvatrix {
namespace {

class PaneSplitterHandle : public QSplitterHandle {
 public:
  explicit PaneSplitterHandle(PaneSplitter* splitter) : QSplitterHandle(Qt::Horizontal, splitter), splitter_(splitter) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    grabOffset_ = event->position().toPoint().x();
    dragging_ = true;
    width_ = splitter_->GridPaneWidth();
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (!dragging_) return;
    width_ = splitter_->LegalGridPaneWidth(mapToParent(event->position().toPoint()).x() - grabOffset_);
    splitter_->ShowDragLine(width_);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    dragging_ = false;
    splitter_->ShowDragLine(-1);
    splitter_->SetGridPaneWidth(width_);
  }

 private:
  PaneSplitter* splitter_;
  int grabOffset_ = 0;
  int width_ = 0;
  bool dragging_ = false;
};

}  // namespace

PaneSplitter::PaneSplitter(QWidget* gridPane, QWidget* chartPane, QWidget* parent)
    : QSplitter(Qt::Horizontal, parent) {
  setObjectName(QStringLiteral("Splitter1"));
  setHandleWidth(1);
  setOpaqueResize(false);
  setChildrenCollapsible(true);
  addWidget(gridPane);
  addWidget(chartPane);
  // The drag rule sets the limits; a pane's own minimum size must not.
  gridPane->setMinimumWidth(1);
  chartPane->setMinimumWidth(1);
  setStretchFactor(0, 0);
  setStretchFactor(1, 1);
}

QSplitterHandle* PaneSplitter::createHandle() { return new PaneSplitterHandle(this); }

int PaneSplitter::GridPaneWidth() const { return sizes().value(0); }

int PaneSplitter::LegalGridPaneWidth(int requested) const {
  return GridPaneWidthAfterDrag(requested, width() - handleWidth());
}

void PaneSplitter::ShowDragLine(int gridPaneWidth) { setRubberBand(gridPaneWidth); }

void PaneSplitter::SetGridPaneWidth(int width) {
  const int both = this->width() - handleWidth();
  setSizes({width, both - width});
}

}  // namespace kelvatrix
