#include "views/grid_model.h"

#include <algorithm>

#include "platform/database_error.h"

namespace kelvatrix {

GridModel::GridModel(MeasurementTable& table, std::vector<GridColumn> columns, Dialogs& dialogs,
                     std::string errorCaption)
    : table_(table),
      columns_(std::move(columns)),
      dialogs_(dialogs),
      errorCaption_(std::move(errorCaption)),
      dataSet_(table),
      rows_(table.RecordCount()) {
  for (const GridColumn& column : columns_) fieldOfColumn_.push_back(MeasurementTable::FieldIndex(column.fieldName));
  table_.AddObserver(this);
  indicatorRow_ = ShownCurrentRow();
}

GridModel::~GridModel() { table_.RemoveObserver(this); }

FieldLookup GridModel::TableFields() {
  return [](std::string_view name) -> std::optional<FieldFacts> {
    const int index = MeasurementTable::FieldIndex(name);
    if (index < 0) return std::nullopt;
    const TableField& field = MeasurementTable::kFields[static_cast<std::size_t>(index)];
    return FieldFacts{std::string(field.name), field.displayWidth};
  };
}

std::string GridModel::TitleCaption(int column) const {
  return ResolvedTitleCaption(columns_.at(static_cast<std::size_t>(column)), TableFields());
}

int GridModel::FieldOfColumn(int column) const { return fieldOfColumn_.at(static_cast<std::size_t>(column)); }

std::string GridModel::CellText(int row, int column) const {
  const int field = FieldOfColumn(column);
  if (field < 0 || row < 0 || row >= table_.RecordCount()) return {};
  return table_.Value(row, field).value_or(std::string());
}

bool GridModel::Changing() const {
  return table_.CurrentState() == MeasurementTable::State::Edit ||
         table_.CurrentState() == MeasurementTable::State::Insert;
}

int GridModel::ShownCurrentRow() const {
  const int current = table_.CurrentRow();
  return current < 0 ? current : std::min(current, rows_ - 1);
}

GridModel::Indicator GridModel::IndicatorOf(int row) const {
  if (row < 0 || row != ShownCurrentRow()) return Indicator::None;
  // The last shown row stands for a current row still held back: a plain arrow.
  if (table_.CurrentRow() >= rows_) return Indicator::Current;
  switch (table_.CurrentState()) {
    case MeasurementTable::State::Edit:
      return Indicator::Editing;
    case MeasurementTable::State::Insert:
      return Indicator::Inserting;
    default:
      return Indicator::Current;
  }
}

void GridModel::ShowPendingRows() {
  if (pendingAppends_ == 0) return;
  const int first = rows_;
  rows_ += pendingAppends_;
  pendingAppends_ = 0;
  if (listener_) listener_->RowsShown(first, rows_ - 1);
  MoveIndicator();
  if (listener_) listener_->CurrentRowMoved(table_.CurrentRow());
}

template <typename Operation>
bool GridModel::Guarded(Operation operation) {
  try {
    operation();
    return true;
  } catch (const DatabaseError& error) {
    ReportError(error.what());
    return false;
  }
}

void GridModel::ReportError(const std::string& text) { ShowStandardError(dialogs_, errorCaption_, text); }

std::string GridModel::CellTextProblem(int field, const std::string& text) {
  return MeasurementTable::FieldTextProblem(field, text);
}

bool GridModel::SetCellText(int row, int column, const std::string& text) {
  const int field = FieldOfColumn(column);
  if (field < 0) return false;
  if (row < table_.RecordCount() && table_.Value(row, field).value_or(std::string()) == text) return true;
  // Text the field cannot take is refused before the row goes into edit state.
  if (const std::string problem = CellTextProblem(field, text); !problem.empty()) {
    ReportError(problem);
    return false;
  }
  return Guarded([&] {
    table_.MoveTo(row);
    table_.Edit();
    table_.SetFieldText(field, text);
  });
}

bool GridModel::MoveTo(int row) {
  if (!table_.Active() || row == table_.CurrentRow()) return true;
  return Guarded([&] { table_.MoveTo(row); });
}

// A row the operator adds is shown at once.
void GridModel::InsertRow() {
  ShowPendingRows();
  Guarded([this] { table_.Insert(); });
  ShowPendingRows();
}

void GridModel::AppendRow() {
  ShowPendingRows();
  Guarded([this] { table_.Append(); });
  ShowPendingRows();
}

void GridModel::DownOnLastRow() {
  const bool inserting = table_.CurrentState() == MeasurementTable::State::Insert;
  if (!inserting || table_.Modified()) AppendRow();
}

void GridModel::DeleteRow() {
  ShowPendingRows();
  if (table_.IsEmpty()) return;
  if (dialogs_.MessageBox(kDeleteQuestion, kDeleteCaption, box::kConfirm) != box::kResultOk) return;
  Guarded([this] { table_.Delete(); });
}

void GridModel::TakeBackChange() {
  if (Changing()) Guarded([this] { table_.Cancel(); });
}

void GridModel::FinishChange() {
  if (!Changing()) return;
  Guarded([this] {
    if (table_.Modified()) {
      table_.Post();
    } else {
      table_.Cancel();
    }
  });
}

void GridModel::RowsReset() {
  pendingAppends_ = 0;
  rows_ = table_.RecordCount();
  indicatorRow_ = ShownCurrentRow();
  if (listener_) listener_->Reset();
}

void GridModel::RowsInserted(int first, int last) {
  if (first == rows_ + pendingAppends_) {
    pendingAppends_ += last - first + 1;
    if (listener_) listener_->RowsPending();
    return;
  }
  ShowPendingRows();
  rows_ += last - first + 1;
  if (indicatorRow_ >= first) indicatorRow_ += last - first + 1;
  if (listener_) listener_->RowsShown(first, last);
}

void GridModel::RowsRemoved(int first, int last) {
  ShowPendingRows();
  rows_ -= last - first + 1;
  if (indicatorRow_ > last) {
    indicatorRow_ -= last - first + 1;
  } else if (indicatorRow_ >= first) {
    indicatorRow_ = -1;
  }
  if (listener_) listener_->RowsRemoved(first, last);
}

void GridModel::RowChanged(int row) {
  if (row < 0 || row >= rows_ || !listener_) return;
  listener_->RowChanged(row);
  listener_->IndicatorChanged(row);
}

void GridModel::CurrentRowChanged(int row) {
  MoveIndicator();
  if (listener_ && row < rows_) listener_->CurrentRowMoved(row);
}

void GridModel::StateChanged(State) {
  // A new state shows on the current row's glyph, when that row is shown at all.
  if (listener_ && table_.CurrentRow() >= 0 && table_.CurrentRow() < rows_)
    listener_->IndicatorChanged(table_.CurrentRow());
}

void GridModel::MoveIndicator() {
  const int previous = indicatorRow_;
  indicatorRow_ = ShownCurrentRow();
  if (previous == indicatorRow_ || !listener_) return;
  if (previous >= 0 && previous < rows_) listener_->IndicatorChanged(previous);
  if (indicatorRow_ >= 0) listener_->IndicatorChanged(indicatorRow_);
}

}  // namespace kelvatrix
