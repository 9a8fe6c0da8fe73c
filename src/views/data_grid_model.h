#pragma once
// The measurement table as the grid's item model: one row per table row, one column per
// grid column, with the columns' colours and titles. Edits go into the table's edit
// buffer; the grid decides when they are posted.
//
// The table reports changes after making them; the model keeps its own row count and
// changes it between the begin and end notifications, so views always see a consistent
// count.
//
// Rows appended at the end are shown with the window's frames (FrameClock): a download
// appends a row every few milliseconds, and laying out and painting the grid for each
// would cost more than the download itself. The first row after a quiet spell shows at
// once.

#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <vector>

#include "store/measurement_table.h"
#include "views/grid_columns.h"

namespace kelvatrix {

class DataGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Vertical header data: the row indicator glyph.
  static constexpr int kIndicatorRole = Qt::UserRole + 1;
  enum class Indicator { None, Current, Editing, Inserting };

  using ErrorReporter = std::function<void(const std::string&)>;

  DataGridModel(MeasurementTable& table, const std::vector<GridColumn>& columns,
                QObject* parent = nullptr);

  void SetErrorReporter(ErrorReporter report) { report_ = std::move(report); }
  // The table field a column shows, or -1 when the table has no such field.
  int FieldOfColumn(int column) const;
  static FieldLookup TableFields();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // Shows appended rows that are still held back.
  void ShowPendingRows();

 signals:
  void PendingRowsShown();

 private:
  void TableReset();
  void TableRowsInserted(int first, int last);
  void TableRowsRemoved(int first, int last);
  void TableRowChanged(int row);
  void IndicatorMoved(int row);
  int ShownCurrentRow() const;
  void RefreshIndicator(int row);

  MeasurementTable& table_;
  const std::vector<GridColumn>& columns_;
  std::vector<int> fieldOfColumn_;
  ErrorReporter report_;
  int rows_ = 0;
  int pendingAppends_ = 0;
  int indicatorRow_ = -1;
};

}  // namespace kelvatrix
