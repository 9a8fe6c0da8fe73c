#include "store/measurement_table.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <limits>

#include "store/database_error.h"

namespace kelvatrix {
namespace {

constexpr qint64 kBeforeFirstRow = std::numeric_limits<qint64>::min();

QString QuotedName(std::string_view name) {
  return QLatin1Char('"') + QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())) +
         QLatin1Char('"');
}

// The columns as declared when the program creates the table; the sizes are the
// fields' display widths.
QString CreateTableStatement() {
  QStringList columns;
  for (const TableField& field : MeasurementTable::kFields) {
    columns << QuotedName(field.name) +
                   (field.kind == TableField::Kind::Integer
                        ? QStringLiteral(" INTEGER")
                        : QStringLiteral(" VARCHAR(%1)").arg(field.displayWidth));
  }
  return QStringLiteral("CREATE TABLE IF NOT EXISTS savedata (%1)")
      .arg(columns.join(QStringLiteral(", ")));
}

QStringList ColumnNames() {
  QStringList names;
  for (const TableField& field : MeasurementTable::kFields) names << QuotedName(field.name);
  return names;
}

// The SQLite ODBC driver keeps a statement compiled only when it reads like a query (it
// begins with SELECT or WITH) and compiles any other at every execution, which cost a
// download more than writing the row. The row is therefore given as a common table
// expression and inserted from it: the same insert, compiled once.
QString InsertStatement() {
  const QString columns = ColumnNames().join(QStringLiteral(", "));
  return QStringLiteral(
             "WITH reading (%1) AS (VALUES (?, ?, ?, ?, ?, ?)) "
             "INSERT INTO savedata (%1) SELECT * FROM reading")
      .arg(columns);
}

QString UpdateStatement() {
  return QStringLiteral("UPDATE savedata SET %1 = ? WHERE rowid = ?")
      .arg(ColumnNames().join(QStringLiteral(" = ?, ")));
}

// SQLite's rowid orders the rows as they were added and tells which are new.
QString RowsAfterStatement() {
  return QStringLiteral("SELECT rowid, %1 FROM savedata WHERE rowid > ? ORDER BY rowid")
      .arg(ColumnNames().join(QStringLiteral(", ")));
}

[[noreturn]] void Fail(const QSqlError& error) {
  const QString text = error.text().trimmed();
  // SQLite's SQLITE_BUSY (5) and SQLITE_LOCKED (6), as the ODBC driver passes them on.
  const QStringList codes = error.nativeErrorCode().split(QLatin1Char(';'));
  if (codes.contains(QStringLiteral("5")) || codes.contains(QStringLiteral("6")) ||
      text.contains(QStringLiteral("database is locked")) ||
      text.contains(QStringLiteral("database table is locked"))) {
    throw DatabaseBusy(text.toStdString());
  }
  throw DatabaseError(text.toStdString());
}

void Prepare(QSqlQuery& query, const QString& statement) {
  if (!query.prepare(statement)) Fail(query.lastError());
}

void Run(QSqlQuery& query) {
  if (!query.exec()) Fail(query.lastError());
}

QString NextConnectionName() {
  static std::atomic<int> count{0};
  return QStringLiteral("Database1-%1").arg(++count);
}

}  // namespace

struct MeasurementTable::Statements {
  explicit Statements(const QSqlDatabase& db)
      : insert(db), update(db), remove(db), insertedRowId(db), rowsAfter(db), dataVersion(db) {}
  QSqlQuery insert;
  QSqlQuery update;
  QSqlQuery remove;
  QSqlQuery insertedRowId;
  QSqlQuery rowsAfter;
  QSqlQuery dataVersion;
  bool hasDataVersion = false;
};

MeasurementTable::MeasurementTable(QString dataSource, QObject* parent)
    : QObject(parent),
      connectionName_(NextConnectionName()),
      dataSource_(std::move(dataSource)),
      lastRowId_(kBeforeFirstRow) {}

MeasurementTable::~MeasurementTable() {
  // The SQLite driver refuses to close a connection with statements still open.
  statements_.reset();
  if (QSqlDatabase::contains(connectionName_)) {
    {
      QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
      db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
  }
}

QSqlDatabase MeasurementTable::Database() const {
  return QSqlDatabase::database(connectionName_, false);
}

int MeasurementTable::FieldIndex(std::string_view field) {
  for (int i = 0; i < kFieldCount; ++i) {
    if (kFields[static_cast<std::size_t>(i)].name == field) return i;
  }
  return -1;
}

void MeasurementTable::Connect() {
  if (statements_) return;
  if (!QSqlDatabase::contains(connectionName_)) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), connectionName_);
    db.setDatabaseName(dataSource_);
  }
  QSqlDatabase db = Database();
  if (!db.isValid()) Fail(db.lastError());
  if (!db.isOpen() && !db.open()) Fail(db.lastError());

  // The SQLite driver opens an empty database in memory when it cannot read the data
  // source's Database entry (an odbc.ini this user may not write, for one): every row
  // would be lost at exit. SQLite names the file it opened; other databases say nothing.
  QSqlQuery files(db);
  if (files.exec(QStringLiteral("PRAGMA database_list")) && files.next() &&
      files.value(2).toString().isEmpty()) {
    throw DatabaseError("the data source " + dataSource_.toStdString() +
                        " opened no database file: its Database entry could not be read");
  }
  files.finish();
  QSqlQuery create(db);
  if (!create.exec(CreateTableStatement())) Fail(create.lastError());

  auto statements = std::make_unique<Statements>(db);
  Prepare(statements->insert, InsertStatement());
  Prepare(statements->update, UpdateStatement());
  Prepare(statements->remove, QStringLiteral("DELETE FROM savedata WHERE rowid = ?"));
  statements->insertedRowId.setForwardOnly(true);
  Prepare(statements->insertedRowId, QStringLiteral("SELECT last_insert_rowid()"));
  statements->rowsAfter.setForwardOnly(true);
  Prepare(statements->rowsAfter, RowsAfterStatement());
  // SQLite's count of other connections' commits; a database without it is read afresh
  // at every refresh.
  statements->dataVersion.setForwardOnly(true);
  statements->hasDataVersion =
      statements->dataVersion.prepare(QStringLiteral("PRAGMA data_version"));
  statements_ = std::move(statements);
}

void MeasurementTable::RequireActive() const {
  if (!Active()) throw DatabaseError("Cannot perform this operation on a closed dataset");
}

void MeasurementTable::Open() {
  if (Active()) return;
  Connect();
  rows_.clear();
  lastRowId_ = kBeforeFirstRow;
  readAtVersion_ = DataVersion();
  ReadRowsAfterLast();
  current_ = -1;
  SetState(State::Browse);
  emit RowsReset();
  SetCurrent(rows_.empty() ? -1 : 0);
}

void MeasurementTable::Release() {
  statements_.reset();
  if (QSqlDatabase::contains(connectionName_)) Database().close();
  // The data version counts per connection: the next refresh reads what is new.
  readAtVersion_.reset();
}

void MeasurementTable::Close() {
  if (!Active()) return;
  modified_ = false;
  rows_.clear();
  lastRowId_ = kBeforeFirstRow;
  readAtVersion_.reset();
  current_ = -1;
  SetState(State::Inactive);
  emit RowsReset();
}

void MeasurementTable::Reset() {
  // Emptied first: a database that is locked for now leaves the table as it was.
  Connect();
  QSqlQuery empty(Database());
  if (!empty.exec(QStringLiteral("DELETE FROM savedata"))) Fail(empty.lastError());
  Close();
  Open();
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
  emit RowsInserted(at, at);
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

void MeasurementTable::SetValue(int column, QVariant value, bool announce) {
  if (state_ != State::Edit && state_ != State::Insert) {
    throw DatabaseError("Dataset not in edit or insert mode");
  }
  rows_[static_cast<std::size_t>(current_)].values[static_cast<std::size_t>(column)] =
      std::move(value);
  modified_ = true;
  if (announce) emit RowChanged(current_);
}

void MeasurementTable::SetField(std::string_view field, const FieldValue& value) {
  const int index = FieldIndex(field);
  if (index < 0) throw DatabaseError("Field '" + std::string(field) + "' not found");
  // A new row filled in field by field is announced once, when it is posted.
  SetValue(index,
           std::visit(
               [](const auto& v) -> QVariant {
                 if constexpr (std::is_same_v<std::decay_t<decltype(v)>, long long>) {
                   return QVariant(static_cast<qlonglong>(v));
                 } else {
                   return QVariant(QString::fromStdString(v));
                 }
               },
               value),
           state_ != State::Insert);
}

std::string MeasurementTable::FieldTextProblem(int column, const QString& text) {
  if (column < 0 || column >= kFieldCount) return "Field index out of range";
  if (text.isEmpty() || kFields[static_cast<std::size_t>(column)].kind != TableField::Kind::Integer)
    return {};
  bool ok = false;
  text.trimmed().toLongLong(&ok);
  return ok ? std::string() : "'" + text.toStdString() + "' is not a valid integer value";
}

void MeasurementTable::SetFieldText(int column, const QString& text) {
  if (const std::string problem = FieldTextProblem(column, text); !problem.empty())
    throw DatabaseError(problem);
  if (text.isEmpty()) {
    SetValue(column, QVariant());
  } else if (kFields[static_cast<std::size_t>(column)].kind == TableField::Kind::Integer) {
    SetValue(column, QVariant(text.trimmed().toLongLong()));
  } else {
    SetValue(column, QVariant(text));
  }
}

void MeasurementTable::WriteNewRow(Row& row) {
  Connect();
  QSqlQuery& insert = statements_->insert;
  for (int i = 0; i < kFieldCount; ++i)
    insert.bindValue(i, row.values[static_cast<std::size_t>(i)]);
  Run(insert);
  insert.finish();
  QSqlQuery& rowId = statements_->insertedRowId;
  Run(rowId);
  if (!rowId.next()) Fail(rowId.lastError());
  row.rowId = rowId.value(0).toLongLong();
  rowId.finish();
  // A row posted here is already cached; Refresh must not read it a second time.
  if (row.rowId > lastRowId_) lastRowId_ = row.rowId;
}

void MeasurementTable::WriteChangedRow(const Row& row) {
  Connect();
  QSqlQuery& update = statements_->update;
  for (int i = 0; i < kFieldCount; ++i)
    update.bindValue(i, row.values[static_cast<std::size_t>(i)]);
  update.bindValue(kFieldCount, row.rowId);
  Run(update);
  update.finish();
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
  emit RowChanged(current_);
}

void MeasurementTable::RemoveRow(int at) {
  rows_.erase(rows_.begin() + at);
  emit RowsRemoved(at, at);
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
    emit RowChanged(current_);
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
  Connect();
  QSqlQuery& remove = statements_->remove;
  remove.bindValue(0, rows_[static_cast<std::size_t>(current_)].rowId);
  Run(remove);
  remove.finish();
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
  const int before = RecordCount();
  // Rows this connection posted are cached already; only another writer's can be new.
  const std::optional<qint64> version = DataVersion();
  if (!version || version != readAtVersion_) {
    readAtVersion_ = version;
    ReadRowsAfterLast();
  }
  if (RecordCount() > before) emit RowsInserted(before, RecordCount() - 1);
  if (current_ < 0 && !rows_.empty()) SetCurrent(0);
}

const QVariant& MeasurementTable::Value(int row, int column) const {
  return rows_.at(static_cast<std::size_t>(row)).values.at(static_cast<std::size_t>(column));
}

void MeasurementTable::ReadRowsAfterLast() {
  Connect();
  QSqlQuery& query = statements_->rowsAfter;
  query.bindValue(0, lastRowId_);
  Run(query);
  while (query.next()) {
    Row row;
    row.rowId = query.value(0).toLongLong();
    for (int i = 0; i < kFieldCount; ++i) {
      row.values[static_cast<std::size_t>(i)] = query.value(i + 1);
    }
    lastRowId_ = row.rowId;
    rows_.push_back(std::move(row));
  }
  query.finish();
}

std::optional<qint64> MeasurementTable::DataVersion() {
  Connect();
  if (!statements_->hasDataVersion) return std::nullopt;
  QSqlQuery& query = statements_->dataVersion;
  if (!query.exec() || !query.next()) {
    // Then the rows are read at every refresh, as if the probe did not exist.
    statements_->hasDataVersion = false;
    return std::nullopt;
  }
  const qint64 version = query.value(0).toLongLong();
  query.finish();
  return version;
}

void MeasurementTable::SetCurrent(int row) {
  if (row == current_) return;
  current_ = row;
  emit CurrentRowChanged(row);
}

void MeasurementTable::SetState(State state) {
  if (state == state_) return;
  state_ = state;
  emit StateChanged(state);
}

}  // namespace kelvatrix
