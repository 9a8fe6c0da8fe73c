#include "views/data_grid_model.h"

#include <QColor>

#include <algorithm>

#include "store/database_error.h"
#include "views/frame_clock.h"

namespace kelvatrix {
namespace {

QVariant ColourOrNothing(const std::optional<Rgb>& colour) {
  if (!colour) return {};
  return QColor(colour->red, colour->green, colour->blue);
}

}  // namespace

DataGridModel::DataGridModel(MeasurementTable& table, const std::vector<GridColumn>& columns,
                             QObject* parent)
    : QAbstractTableModel(parent), table_(table), columns_(columns), rows_(table.RecordCount()) {
  for (const GridColumn& column : columns_)
    fieldOfColumn_.push_back(MeasurementTable::FieldIndex(column.fieldName));
  connect(&table_, &MeasurementTable::RowsReset, this, &DataGridModel::TableReset);
  connect(&table_, &MeasurementTable::RowsInserted, this, &DataGridModel::TableRowsInserted);
  connect(&table_, &MeasurementTable::RowsRemoved, this, &DataGridModel::TableRowsRemoved);
  connect(&table_, &MeasurementTable::RowChanged, this, &DataGridModel::TableRowChanged);
  connect(&table_, &MeasurementTable::CurrentRowChanged, this, &DataGridModel::IndicatorMoved);
  // A new state shows on the current row's glyph, when that row is shown at all.
  connect(&table_, &MeasurementTable::StateChanged, this, [this] {
    if (table_.CurrentRow() < rows_) RefreshIndicator(table_.CurrentRow());
  });
}

FieldLookup DataGridModel::TableFields() {
  return [](std::string_view name) -> std::optional<FieldFacts> {
    const int index = MeasurementTable::FieldIndex(name);
    if (index < 0) return std::nullopt;
    const TableField& field = MeasurementTable::kFields[static_cast<std::size_t>(index)];
    return FieldFacts{std::string(field.name), field.displayWidth};
  };
}

int DataGridModel::FieldOfColumn(int column) const {
  return fieldOfColumn_.at(static_cast<std::size_t>(column));
}

int DataGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int DataGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= table_.RecordCount()) return {};
  const GridColumn& column = columns_[static_cast<std::size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
      const int field = FieldOfColumn(index.column());
      return field < 0 ? QVariant() : table_.Value(index.row(), field);
    }
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
    if (role != kIndicatorRole || section != ShownCurrentRow()) return {};
    // The last shown row stands for a current row still held back: a plain arrow.
    if (table_.CurrentRow() >= rows_) return static_cast<int>(Indicator::Current);
    switch (table_.CurrentState()) {
      case MeasurementTable::State::Edit:
        return static_cast<int>(Indicator::Editing);
      case MeasurementTable::State::Insert:
        return static_cast<int>(Indicator::Inserting);
      default:
        return static_cast<int>(Indicator::Current);
    }
  }
  if (section < 0 || section >= columnCount()) return {};
  const GridColumn& column = columns_[static_cast<std::size_t>(section)];
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(ResolvedTitleCaption(column, TableFields()));
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
  if (index.isValid() && FieldOfColumn(index.column()) >= 0) flags |= Qt::ItemIsEditable;
  return flags;
}

bool DataGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid()) return false;
  const int field = FieldOfColumn(index.column());
  if (field < 0) return false;
  const QString text = value.toString();
  if (index.row() < table_.RecordCount() && table_.Value(index.row(), field).toString() == text)
    return true;
  // Text the field cannot take is refused before the row goes into edit state.
  if (const std::string problem = MeasurementTable::FieldTextProblem(field, text);
      !problem.empty()) {
    if (report_) report_(problem);
    return false;
  }
  try {
    table_.MoveTo(index.row());
    table_.Edit();
    table_.SetFieldText(field, text);
    return true;
  } catch (const DatabaseError& error) {
    if (report_) report_(error.what());
    return false;
  }
}

int DataGridModel::ShownCurrentRow() const {
  // While the current row is among those held back, the last row shown stands for it.
  const int current = table_.CurrentRow();
  return current < 0 ? current : std::min(current, rows_ - 1);
}

void DataGridModel::ShowPendingRows() {
  if (pendingAppends_ == 0) return;
  beginInsertRows({}, rows_, rows_ + pendingAppends_ - 1);
  rows_ += pendingAppends_;
  pendingAppends_ = 0;
  endInsertRows();
  IndicatorMoved(table_.CurrentRow());
  emit PendingRowsShown();
}

void DataGridModel::TableReset() {
  beginResetModel();
  pendingAppends_ = 0;
  rows_ = table_.RecordCount();
  indicatorRow_ = ShownCurrentRow();
  endResetModel();
}

void DataGridModel::TableRowsInserted(int first, int last) {
  if (first == rows_ + pendingAppends_) {
    pendingAppends_ += last - first + 1;
    FrameClock::Shared().Request(this, [this] { ShowPendingRows(); });
    return;
  }
  ShowPendingRows();
  beginInsertRows({}, first, last);
  rows_ += last - first + 1;
  if (indicatorRow_ >= first) indicatorRow_ += last - first + 1;
  endInsertRows();
}

void DataGridModel::TableRowsRemoved(int first, int last) {
  ShowPendingRows();
  beginRemoveRows({}, first, last);
  rows_ -= last - first + 1;
  if (indicatorRow_ > last)
    indicatorRow_ -= last - first + 1;
  else if (indicatorRow_ >= first)
    indicatorRow_ = -1;
  endRemoveRows();
}

void DataGridModel::TableRowChanged(int row) {
  if (row < 0 || row >= rows_) return;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
  RefreshIndicator(row);
}

void DataGridModel::IndicatorMoved(int) {
  const int previous = indicatorRow_;
  indicatorRow_ = ShownCurrentRow();
  if (previous == indicatorRow_) return;
  RefreshIndicator(previous);
  RefreshIndicator(indicatorRow_);
}

void DataGridModel::RefreshIndicator(int row) {
  if (row >= 0 && row < rows_) emit headerDataChanged(Qt::Vertical, row, row);
}

}  // namespace kelvatrix
