#include "gui/qt/data_grid_model.h"

#include <QColor>

#include "gui/qt/frame_clock.h"

namespace kelvatrix {
namespace {

QVariant ColourOrNothing(const std::optional<Rgb>& colour) {
  if (!colour) return {};
  return QColor(colour->red, colour->green, colour->blue);
}

}  // namespace

DataGridModel::DataGridModel(GridModel& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), rows_(grid.RowCount()) {
  grid_.SetListener(this);
}

DataGridModel::~DataGridModel() { grid_.SetListener(nullptr); }

int DataGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int DataGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.ColumnCount(); }

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  const GridColumn& column = grid_.Columns()[static_cast<std::size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return QString::fromStdString(grid_.CellText(index.row(), index.column()));
    case Qt::BackgroundRole:
      return ColourOrNothing(column.color);
    case Qt::ForegroundRole:
      return ColourOrNothing(column.fontColor);
    default:
      return {};
  }
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) {
    if (role != kIndicatorRole) return {};
    const GridModel::Indicator indicator = grid_.IndicatorOf(section);
    return indicator == GridModel::Indicator::None ? QVariant() : QVariant(static_cast<int>(indicator));
  }
  if (section < 0 || section >= columnCount()) return {};
  const GridColumn& column = grid_.Columns()[static_cast<std::size_t>(section)];
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(grid_.TitleCaption(section));
    case Qt::BackgroundRole:
      return ColourOrNothing(column.title.color);
    case Qt::ForegroundRole:
      return ColourOrNothing(column.title.fontColor);
    default:
      return {};
  }
}

Qt::ItemFlags DataGridModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid() && grid_.Editable(index.column())) flags |= Qt::ItemIsEditable;
  return flags;
}

bool DataGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid()) return false;
  return grid_.SetCellText(index.row(), index.column(), value.toString().toStdString());
}

void DataGridModel::Reset() {
  beginResetModel();
  rows_ = grid_.RowCount();
  endResetModel();
}

void DataGridModel::RowsShown(int first, int last) {
  beginInsertRows({}, first, last);
  rows_ += last - first + 1;
  endInsertRows();
}

void DataGridModel::RowsRemoved(int first, int last) {
  beginRemoveRows({}, first, last);
  rows_ -= last - first + 1;
  endRemoveRows();
}

void DataGridModel::RowChanged(int row) {
  if (row < rows_) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DataGridModel::IndicatorChanged(int row) {
  if (row >= 0 && row < rows_) emit headerDataChanged(Qt::Vertical, row, row);
}

void DataGridModel::RowsPending() { FrameClock::Shared().Request(this, [this] { grid_.ShowPendingRows(); }); }

}  // namespace kelvatrix
