#pragma once
// The measurement grid without a window system: its six columns with their titles,
// colours and widths, the text of each cell, the row indicator, and the editing rules
// (what changing a cell, Insert, Down on the last row, Ctrl+Delete, Escape and leaving
// the grid do), over the measurement table. A front end shows it in a view of its own (a
// Qt item view, a Win32 list view) and forwards the operator's actions; the worksheet
// writer reads its columns and data set.
//
// Rows appended at the end are held back until ShowPendingRows: a download appends one
// every few milliseconds, and laying out and painting the grid for each would cost more
// than the download itself. The front end shows them with its frames.

#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "store/measurement_data_set.h"
#include "store/measurement_table.h"
#include "views/grid_columns.h"

namespace kelvatrix {

class GridModel final : public ColumnGrid, private TableObserver {
 public:
  enum class Indicator { None, Current, Editing, Inserting };

  // What a view of the grid hears.
  class Listener {
   public:
    virtual ~Listener() = default;
    virtual void Reset() = 0;                        // every row anew
    virtual void RowsShown(int first, int last) = 0;  // inserted at `first`
    virtual void RowsRemoved(int first, int last) = 0;
    virtual void RowChanged(int row) = 0;
    virtual void IndicatorChanged(int row) = 0;
    virtual void CurrentRowMoved(int row) = 0;  // the view follows: selects and scrolls to it
    virtual void RowsPending() = 0;             // rows wait to be shown (ShowPendingRows)
  };

  static constexpr const char* kDeleteQuestion = "Delete record?";
  static constexpr const char* kDeleteCaption = "Confirm";

  // `errorCaption` captions the standard error box that reports a failed change.
  GridModel(MeasurementTable& table, std::vector<GridColumn> columns, Dialogs& dialogs, std::string errorCaption);
  ~GridModel() override;
  GridModel(const GridModel&) = delete;
  GridModel& operator=(const GridModel&) = delete;

  void SetListener(Listener* listener) { listener_ = listener; }

  // What the worksheet writer reads.
  const std::vector<GridColumn>& Columns() const override { return columns_; }
  std::string TitleCaption(int column) const override;
  int FooterRowCount() const override { return 0; }
  DataSet& GridDataSet() override { return dataSet_; }

  int RowCount() const { return rows_; }
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  // The table field a column shows, or -1 when the table has no such field.
  int FieldOfColumn(int column) const;
  bool Editable(int column) const { return FieldOfColumn(column) >= 0; }
  std::string CellText(int row, int column) const;
  Indicator IndicatorOf(int row) const;
  // The row the indicator stands at: the current row, or the last row shown while the
  // current one is held back.
  int ShownCurrentRow() const;
  bool Active() const { return table_.Active(); }
  // A row is being changed or added.
  bool Changing() const;
  bool Empty() const { return table_.IsEmpty(); }

  void ShowPendingRows();

  // The operator's actions. A database error is shown in the standard error box; false
  // when the action was refused.
  // The text an editor holds, before the cell is left: what is wrong with it, or nothing.
  static std::string CellTextProblem(int field, const std::string& text);
  bool SetCellText(int row, int column, const std::string& text);
  bool MoveTo(int row);
  void InsertRow();  // before the current row
  void AppendRow();
  // Down on the last row: a row appended, but not after a new row that is still empty.
  void DownOnLastRow();
  // Asks first; deletes the current row when the operator agrees.
  void DeleteRow();
  // Escape: the change of the current row taken back.
  void TakeBackChange();
  // What leaving the grid does: a modified row is posted, an unmodified one dropped.
  void FinishChange();
  // Shows a failure of a change in the standard error box.
  void ReportError(const std::string& text);

  // The fields of the measurement table, for the default widths and titles.
  static FieldLookup TableFields();

 private:
  // TableObserver
  void RowsReset() override;
  void RowsInserted(int first, int last) override;
  void RowsRemoved(int first, int last) override;
  void RowChanged(int row) override;
  void CurrentRowChanged(int row) override;
  void StateChanged(State state) override;

  template <typename Operation>
  bool Guarded(Operation operation);
  void MoveIndicator();

  MeasurementTable& table_;
  std::vector<GridColumn> columns_;
  std::vector<int> fieldOfColumn_;
  Dialogs& dialogs_;
  std::string errorCaption_;
  MeasurementDataSet dataSet_;
  Listener* listener_ = nullptr;
  int rows_ = 0;
  int pendingAppends_ = 0;
  int indicatorRow_ = -1;
};

}  // namespace kelvatrix
