#pragma once
// A data-aware grid over the measurement table: a title row, a row indicator column,
// resizable columns, in-place editing, inserting, appending and deleting rows.
//
// The grid follows the table's current row; moving to another row in the grid moves the
// table, which posts the row just edited. Leaving the grid does the same, so an edit is
// in the table before any command reads it. Keys: Insert adds a row before the current
// one, Down on the last row appends one, Ctrl+Delete deletes the current row after
// asking, Escape takes back the change of the current row. Tab moves between cells;
// Ctrl+Tab and Ctrl+Shift+Tab leave the grid.
//
// What the grid shows and what its keys do is the grid's model (GridModel), which this
// view shows with Qt's item views.

#include <QTableView>

#include <string>
#include <vector>

#include "gui/qt/data_grid_model.h"
#include "views/grid_model.h"

namespace kelvatrix {

class DataGrid : public QTableView {
  Q_OBJECT

 public:
  explicit DataGrid(GridModel& grid, QWidget* parent = nullptr);
  ~DataGrid() override;

  GridModel& Grid() { return grid_; }
  // A cell editor is open.
  bool Editing() const { return state() == QAbstractItemView::EditingState; }

  void InsertRow() { grid_.InsertRow(); }
  void AppendRow() { grid_.AppendRow(); }
  // Asks first; deletes the current row when the operator agrees.
  void DeleteRow() { grid_.DeleteRow(); }
  // What leaving the grid does: a modified row is posted, an unmodified one dropped.
  void FinishChange() { grid_.FinishChange(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void mousePressEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void ApplyColumns();
  // Passes the focus to the next (or the previous) control of the window.
  void LeaveGrid(bool forward);
  void FollowTable(int row);
  void FocusChanged(QWidget* old, QWidget* now);
  bool Contains(const QWidget* widget) const;

  GridModel& grid_;
  DataGridModel* model_;
};

}  // namespace kelvatrix
