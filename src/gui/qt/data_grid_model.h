#pragma once
// The grid's model (GridModel) as a Qt item model: one row per row shown, one column per
// grid column, with the columns' colours and titles; edits go to the grid's model. Rows
// that wait to be shown are shown with the window's frames (FrameClock). The first row
// after a quiet spell shows at once.

#include <QAbstractTableModel>

#include "views/grid_model.h"

namespace kelvatrix {

class DataGridModel : public QAbstractTableModel, private GridModel::Listener {
  Q_OBJECT

 public:
  // Vertical header data: the row indicator glyph (GridModel::Indicator).
  static constexpr int kIndicatorRole = Qt::UserRole + 1;

  DataGridModel(GridModel& grid, QObject* parent = nullptr);
  ~DataGridModel() override;

  GridModel& Grid() { return grid_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  // The view follows the table's current row.
  void CurrentRowFollowed(int row);

 private:
  void Reset() override;
  void RowsShown(int first, int last) override;
  void RowsRemoved(int first, int last) override;
  void RowChanged(int row) override;
  void IndicatorChanged(int row) override;
  void RowsPending() override;
  void CurrentRowMoved(int row) override { emit CurrentRowFollowed(row); }

  GridModel& grid_;
  int rows_ = 0;  // what the view was told
};

}  // namespace kelvatrix
