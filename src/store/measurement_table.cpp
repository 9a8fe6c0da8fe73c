#include "store/measurement_table.h"

#include <algorithm>
#include <charconv>

#include "platform/database_error.h"

namespace kelvatrix {

struct MeasurementTable::Connection {
  explicit Connection(const std::string& dataSource)
      : odbc("DSN=" + dataSource), dialect(DialectFor(odbc.DbmsName())) {}
  OdbcConnection odbc;
  DatabaseDialect dialect;
  // Prepared once: a download posts thousands of rows.
  std::unique_ptr<OdbcStatement> insert;
  std::unique_ptr<OdbcStatement> insertedIdentity;
  std::unique_ptr<OdbcStatement> dataVersion;
};

MeasurementTable::MeasurementTable(std::string dataSource) : dataSource_(std::move(dataSource)) {}

MeasurementTable::~MeasurementTable() = default;

void MeasurementTable::AddObserver(TableObserver* observer) { observers_.push_back(observer); }

void MeasurementTable::RemoveObserver(TableObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

template <typename Call>
void MeasurementTable::Tell(Call call) {
  for (TableObserver* observer : observers_) call(*observer);
}

void MeasurementTable::Connect() {
  if (connection_) return;
  auto connection = std::make_unique<Connection>(dataSource_);
  const DatabaseDialect& dialect = connection->dialect;
  // The SQLite driver opens an empty database in memory when it cannot read the data
  // source's Database entry (an odbc.ini this user may not write, for one): every row
  // would be lost at exit. SQLite names the file it opened.
  if (const auto files = dialect.DatabaseFiles()) {
    OdbcStatement list(connection->odbc, *files);
    list.Execute();
    const auto main = list.Fetch();
    list.Close();
    if (main && main->size() >= 3 && (!(*main)[2] || (*main)[2]->empty())) {
      throw DatabaseError("the data source " + dataSource_ + " opened no database file: its Database entry could not be read");
    }
  }
  // The table, and its identity where the program keeps one of its own.
  try {
    connection->odbc.Execute(dialect.Probe());
  } catch (const DatabaseBusy&) {
    throw;
  } catch (const DatabaseError&) {
    bool made = false;
    try {
      connection->odbc.Execute(dialect.CreateTable());
      made = true;
    } catch (const DatabaseError&) {
      if (!dialect.AddIdentity()) throw;
    }
    if (!made) connection->odbc.Execute(*dialect.AddIdentity());
  }
  connection->insert = std::make_unique<OdbcStatement>(connection->odbc, dialect.Insert());
  connection->insertedIdentity = std::make_unique<OdbcStatement>(connection->odbc, dialect.InsertedIdentity());
  if (const auto version = dialect.DataVersion())
    connection->dataVersion = std::make_unique<OdbcStatement>(connection->odbc, *version);
  connection_ = std::move(connection);
}

MeasurementTable::Connection& MeasurementTable::Db() {
  Connect();
  return *connection_;
}

void MeasurementTable::RequireActive() const {
  if (!Active()) throw DatabaseError("Cannot perform this operation on a closed dataset");
}

void MeasurementTable::Open() {
  if (Active()) return;
  Connect();
  current_ = -1;
  SetState(State::Browse);
  ReadAll();
}

void MeasurementTable::Close() {
  if (!Active()) return;
  modified_ = false;
  rows_.clear();
  readUpTo_ = 0;
  ownAbove_.clear();
  readAtVersion_.reset();
  current_ = -1;
  SetState(State::Inactive);
  Tell([](TableObserver& o) { o.RowsReset(); });
}

void MeasurementTable::Reset() {
  // Emptied first: a database that is locked for now leaves the table as it was.
  Db().odbc.Execute("DELETE FROM savedata");
  Close();
  Open();
}

void MeasurementTable::Release() {
  connection_.reset();
  // The data version counts per connection: the next refresh reads everything again.
  readAtVersion_.reset();
}

void MeasurementTable::FinishChange() {
  if (state_ == State::Browse) return;
  if (modified_) {
    Post();
  } else {
    Cancel();
  }
}

void MeasurementTable::AddRow(int at) {
  rows_.insert(rows_.begin() + at, Row{});
  Tell([&](TableObserver& o) { o.RowsInserted(at, at); });
  current_ = -1;  // the row that was current moved
  SetCurrent(at);
  original_ = {};
  modified_ = false;
  SetState(State::Insert);
}

void MeasurementTable::Append() {
  RequireActive();
  FinishChange();
  AddRow(RecordCount());
}

void MeasurementTable::Insert() {
  RequireActive();
  FinishChange();
  AddRow(current_ < 0 ? 0 : current_);
}

void MeasurementTable::Edit() {
  RequireActive();
  if (state_ != State::Browse) return;
  if (current_ < 0) throw DatabaseError("Cannot perform this operation on an empty dataset");
  original_ = rows_[static_cast<std::size_t>(current_)].values;
  modified_ = false;
  SetState(State::Edit);
}

void MeasurementTable::SetValue(int column, OdbcText value, bool announce) {
  if (state_ != State::Edit && state_ != State::Insert) throw DatabaseError("Dataset not in edit or insert mode");
  rows_[static_cast<std::size_t>(current_)].values[static_cast<std::size_t>(column)] = std::move(value);
  modified_ = true;
  if (announce) Tell([&](TableObserver& o) { o.RowChanged(current_); });
}

void MeasurementTable::SetField(std::string_view field, const FieldValue& value) {
  const int index = FieldIndex(field);
  if (index < 0) throw DatabaseError("Field '" + std::string(field) + "' not found");
  // A new row filled in field by field is announced once, when it is posted.
  SetValue(index,
           std::holds_alternative<long long>(value) ? std::to_string(std::get<long long>(value))
                                                     : std::get<std::string>(value),
           state_ != State::Insert);
}

std::string MeasurementTable::FieldTextProblem(int column, std::string_view text) {
  if (column < 0 || column >= kFieldCount) return "Field index out of range";
  if (text.empty() || kFields[static_cast<std::size_t>(column)].kind != TableField::Kind::Integer) return {};
  std::string_view trimmed = text;
  while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
  if (!trimmed.empty() && trimmed.front() == '+') trimmed.remove_prefix(1);
  long long number = 0;
  const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), number);
  if (!trimmed.empty() && error == std::errc() && end == trimmed.data() + trimmed.size()) return {};
  return "'" + std::string(text) + "' is not a valid integer value";
}

void MeasurementTable::SetFieldText(int column, const std::string& text) {
  if (const std::string problem = FieldTextProblem(column, text); !problem.empty()) throw DatabaseError(problem);
  if (text.empty()) {
    SetValue(column, std::nullopt);
  } else if (kFields[static_cast<std::size_t>(column)].kind == TableField::Kind::Integer) {
    std::string_view trimmed = text;
    while (trimmed.front() == ' ') trimmed.remove_prefix(1);
    if (trimmed.front() == '+') trimmed.remove_prefix(1);
    long long number = 0;
    std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), number);
    SetValue(column, std::to_string(number));
  } else {
    SetValue(column, text);
  }
}

void MeasurementTable::WriteNewRow(Row& row) {
  Connection& db = Db();
  db.insert->Execute(std::vector<OdbcText>(row.values.begin(), row.values.end()));
  db.insertedIdentity->Execute();
  const auto identity = db.insertedIdentity->Fetch();
  db.insertedIdentity->Close();
  if (!identity || identity->empty() || !(*identity)[0]) throw DatabaseError("the new row's identity cannot be read");
  row.id = std::stoll(*(*identity)[0]);
  // Cached already: a refresh must not read it a second time.
  ownAbove_.push_back(row.id);
}

// The parameters that say a row is as it was read: those of the fields that were not NULL.
static void AddOldValues(std::vector<OdbcText>& parameters, const std::array<OdbcText, kFieldCount>& old) {
  for (const OdbcText& value : old) {
    if (value) parameters.push_back(value);
  }
}

static std::array<bool, kFieldCount> NullMask(const std::array<OdbcText, kFieldCount>& values) {
  std::array<bool, kFieldCount> mask{};
  for (std::size_t i = 0; i < values.size(); ++i) mask[i] = !values[i];
  return mask;
}

void MeasurementTable::WriteChangedRow(const Row& row) {
  Connection& db = Db();
  OdbcStatement update(db.odbc, db.dialect.UpdateIfUnchanged(NullMask(original_)));
  std::vector<OdbcText> parameters(row.values.begin(), row.values.end());
  parameters.push_back(std::to_string(row.id));
  AddOldValues(parameters, original_);
  update.Execute(parameters);
  if (update.RowsChanged() == 0) {
    throw DatabaseError(
        "Another program changed or deleted this row meanwhile: it was not changed. Press Escape, and the table is "
        "read again");
  }
}

void MeasurementTable::Post() {
  if (state_ != State::Edit && state_ != State::Insert) return;
  // A row that fails to post stays in its edit state; the next reset discards it.
  Row& row = rows_[static_cast<std::size_t>(current_)];
  if (state_ == State::Insert) {
    WriteNewRow(row);
  } else {
    WriteChangedRow(row);
  }
  modified_ = false;
  SetState(State::Browse);
  Tell([&](TableObserver& o) { o.RowChanged(current_); });
}

void MeasurementTable::RemoveRow(int at) {
  rows_.erase(rows_.begin() + at);
  Tell([&](TableObserver& o) { o.RowsRemoved(at, at); });
  current_ = -1;
  SetCurrent(rows_.empty() ? -1 : std::min(at, RecordCount() - 1));
}

void MeasurementTable::Cancel() {
  if (state_ == State::Insert) {
    modified_ = false;
    SetState(State::Browse);
    RemoveRow(current_);
  } else if (state_ == State::Edit) {
    rows_[static_cast<std::size_t>(current_)].values = original_;
    modified_ = false;
    SetState(State::Browse);
    Tell([&](TableObserver& o) { o.RowChanged(current_); });
  } else if (Active()) {
    // Nothing to take back: the operator asks for the table as it is now.
    readAtVersion_.reset();
    Refresh();
  }
}

void MeasurementTable::Delete() {
  RequireActive();
  if (state_ == State::Insert) {
    Cancel();
    return;
  }
  if (state_ == State::Edit) Cancel();
  if (current_ < 0) throw DatabaseError("Cannot perform this operation on an empty dataset");
  const Row& row = rows_[static_cast<std::size_t>(current_)];
  Connection& db = Db();
  OdbcStatement remove(db.odbc, db.dialect.DeleteIfUnchanged(NullMask(row.values)));
  std::vector<OdbcText> parameters = {std::to_string(row.id)};
  AddOldValues(parameters, row.values);
  remove.Execute(parameters);
  if (remove.RowsChanged() == 0) {
    readAtVersion_.reset();
    Refresh();
    throw DatabaseError("Another program changed or deleted this row meanwhile: it was not deleted. The table was "
                        "read again");
  }
  RemoveRow(current_);
}

void MeasurementTable::MoveTo(int row) {
  RequireActive();
  if (row == current_) return;
  FinishChange();
  if (rows_.empty()) return;
  SetCurrent(std::clamp(row, 0, RecordCount() - 1));
}

void MeasurementTable::Last() {
  if (!rows_.empty()) MoveTo(RecordCount() - 1);
}

void MeasurementTable::Refresh() {
  RequireActive();
  FinishChange();
  Connection& db = Db();
  if (db.dataVersion) {
    // Rows this connection posted are cached already; only another writer's can be new,
    // changed or gone, and the data version tells whether there was one.
    const std::optional<std::int64_t> version = DataVersion();
    if (version && version == readAtVersion_) {
      for (const std::int64_t id : ownAbove_) readUpTo_ = std::max(readUpTo_, id);
      ownAbove_.clear();
      return;
    }
    ReadAll();
    return;
  }
  ReadNew();
}

std::optional<std::int64_t> MeasurementTable::DataVersion() {
  OdbcStatement& probe = *Db().dataVersion;
  probe.Execute();
  const auto row = probe.Fetch();
  probe.Close();
  if (!row || row->empty() || !(*row)[0]) return std::nullopt;
  return std::stoll(*(*row)[0]);
}

void MeasurementTable::ReadAll() {
  Connection& db = Db();
  // The version before the rows: a write that comes between is read at the next refresh.
  if (db.dataVersion) readAtVersion_ = DataVersion();
  OdbcStatement select(db.odbc, db.dialect.SelectAll());
  select.Execute();
  std::vector<Row> rows;
  while (auto fetched = select.Fetch()) {
    Row row;
    row.id = (*fetched)[0] ? std::stoll(*(*fetched)[0]) : 0;
    for (int i = 0; i < kFieldCount; ++i) row.values[static_cast<std::size_t>(i)] = (*fetched)[static_cast<std::size_t>(i) + 1];
    rows.push_back(std::move(row));
  }
  readUpTo_ = rows.empty() ? 0 : rows.back().id;
  ownAbove_.clear();
  // The rows already shown that are unchanged and first stay; what follows them is new.
  std::size_t same = 0;
  while (same < rows_.size() && same < rows.size() && rows_[same].id == rows[same].id &&
         rows_[same].values == rows[same].values) {
    ++same;
  }
  const std::int64_t currentId = current_ >= 0 && current_ < RecordCount() ? rows_[static_cast<std::size_t>(current_)].id : 0;
  if (same == rows_.size()) {
    const int before = RecordCount();
    rows_ = std::move(rows);
    if (RecordCount() > before) Tell([&](TableObserver& o) { o.RowsInserted(before, RecordCount() - 1); });
    if (current_ < 0 && !rows_.empty()) SetCurrent(0);
    return;
  }
  rows_ = std::move(rows);
  Tell([](TableObserver& o) { o.RowsReset(); });
  int at = -1;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].id == currentId) at = static_cast<int>(i);
  }
  current_ = -2;  // announced anew after the reset
  SetCurrent(at >= 0 ? at : (rows_.empty() ? -1 : 0));
}

void MeasurementTable::ReadNew() {
  Connection& db = Db();
  OdbcStatement select(db.odbc, db.dialect.SelectAfter());
  select.Execute({std::to_string(readUpTo_)});
  const int before = RecordCount();
  while (auto fetched = select.Fetch()) {
    Row row;
    row.id = (*fetched)[0] ? std::stoll(*(*fetched)[0]) : 0;
    readUpTo_ = std::max(readUpTo_, row.id);
    const auto own = std::find(ownAbove_.begin(), ownAbove_.end(), row.id);
    if (own != ownAbove_.end()) {
      ownAbove_.erase(own);
      continue;
    }
    for (int i = 0; i < kFieldCount; ++i) row.values[static_cast<std::size_t>(i)] = (*fetched)[static_cast<std::size_t>(i) + 1];
    rows_.push_back(std::move(row));
  }
  if (RecordCount() > before) Tell([&](TableObserver& o) { o.RowsInserted(before, RecordCount() - 1); });
  if (current_ < 0 && !rows_.empty()) SetCurrent(0);
}

const OdbcText& MeasurementTable::Value(int row, int column) const {
  return rows_.at(static_cast<std::size_t>(row)).values.at(static_cast<std::size_t>(column));
}

void MeasurementTable::SetCurrent(int row) {
  if (row == current_) return;
  current_ = row;
  Tell([&](TableObserver& o) { o.CurrentRowChanged(row); });
}

void MeasurementTable::SetState(State state) {
  if (state == state_) return;
  state_ = state;
  Tell([&](TableObserver& o) { o.StateChanged(state); });
}

}  // namespace kelvatrix
