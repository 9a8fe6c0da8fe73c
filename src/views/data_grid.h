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
// Its column model is public: the worksheet writer reads the columns, their resolved
// titles and footers, and the data set behind the grid (ColumnGrid).

#include <QTableView>

#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "store/measurement_data_set.h"
#include "store/measurement_table.h"
#include "views/data_grid_model.h"
#include "views/grid_columns.h"

namespace kelvatrix {

class DataGrid : public QTableView, public ColumnGrid {
  Q_OBJECT

 public:
  // `errorCaption` captions the standard error box that reports a failed edit.
  DataGrid(MeasurementTable& table, std::vector<GridColumn> columns, Dialogs& dialogs,
           std::string errorCaption, QWidget* parent = nullptr);
  ~DataGrid() override;

  // What the worksheet writer reads.
  const std::vector<GridColumn>& Columns() const override { return columns_; }
  std::string TitleCaption(int column) const override;
  int FooterRowCount() const override { return footerRowCount_; }
  DataSet& GridDataSet() override { return dataSet_; }
  // A cell editor is open.
  bool Editing() const { return state() == QAbstractItemView::EditingState; }

  void InsertRow();
  void AppendRow();
  // Asks first; deletes the current row when the operator agrees.
  void DeleteRow();
  // What leaving the grid does: a modified row is posted, an unmodified one dropped.
  void FinishChange();

  static constexpr const char* kDeleteQuestion = "Delete record?";
  static constexpr const char* kDeleteCaption = "Confirm";

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
  // Errors of the data layer go to the application's standard error box.
  void ReportError(const std::string& text);
  template <typename Operation>
  bool Guarded(Operation operation);

  MeasurementTable& table_;
  MeasurementDataSet dataSet_;
  std::vector<GridColumn> columns_;
  Dialogs& dialogs_;
  std::string errorCaption_;
  int footerRowCount_ = 0;
  DataGridModel* model_;
};

}  // namespace kelvatrix
