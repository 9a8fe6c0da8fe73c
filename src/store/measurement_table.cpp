#include "store/measurement_table.h"

#include <QSqlError>
#include <QSqlQuery>

#include <atomic>
#include <limits>

#include "store/database_error.h"

namespace kelvatrix {
namespace {

constexpr qint64 kBeforeFirstRow = std::numeric_limits<qint64>::min();

const char* const kCreateTable =
    "CREATE TABLE IF NOT EXISTS savedata (recno INTEGER, times TEXT, voltage TEXT, "
    "unitv TEXT, \"register\" TEXT, unitr TEXT)";
const char* const kInsertRow =
    "INSERT INTO savedata (recno, times, voltage, unitv, \"register\", unitr) "
    "VALUES (?, ?, ?, ?, ?, ?)";
// SQLite's rowid orders the rows as they were added and tells which are new.
const char* const kRowsAfter =
    "SELECT rowid, recno, times, voltage, unitv, \"register\", unitr FROM savedata "
    "WHERE rowid > ? ORDER BY rowid";

[[noreturn]] void Fail(const QSqlError& error) {
  throw DatabaseError(error.text().trimmed().toStdString());
}

QString NextConnectionName() {
  static std::atomic<int> count{0};
  return QStringLiteral("Database1-%1").arg(++count);
}

}  // namespace

struct MeasurementTable::Statements {
  explicit Statements(const QSqlDatabase& db) : insert(db), rowsAfter(db) {}
  QSqlQuery insert;
  QSqlQuery rowsAfter;
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
    if (kFieldNames[static_cast<std::size_t>(i)] == field) return i;
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

  QSqlQuery create(db);
  if (!create.exec(QString::fromLatin1(kCreateTable))) Fail(create.lastError());

  auto statements = std::make_unique<Statements>(db);
  if (!statements->insert.prepare(QString::fromLatin1(kInsertRow))) {
    Fail(statements->insert.lastError());
  }
  statements->rowsAfter.setForwardOnly(true);
  if (!statements->rowsAfter.prepare(QString::fromLatin1(kRowsAfter))) {
    Fail(statements->rowsAfter.lastError());
  }
  statements_ = std::move(statements);
}

void MeasurementTable::Open() {
  if (active_) return;
  Connect();
  rows_.clear();
  lastRowId_ = kBeforeFirstRow;
  ReadRowsAfterLast();
  active_ = true;
  emit RowsReset();
  SetCurrent(rows_.empty() ? -1 : 0);
}

void MeasurementTable::Close() {
  if (!active_) return;
  active_ = false;
  pending_.reset();
  rows_.clear();
  lastRowId_ = kBeforeFirstRow;
  current_ = -1;
  emit RowsReset();
}

void MeasurementTable::Reset() {
  Close();
  Connect();
  QSqlQuery empty(Database());
  if (!empty.exec(QStringLiteral("DELETE FROM savedata"))) Fail(empty.lastError());
  Open();
}

void MeasurementTable::Append() {
  if (!active_) throw DatabaseError("Cannot perform this operation on a closed dataset");
  pending_ = std::make_unique<std::array<QVariant, kFieldCount>>();
}

void MeasurementTable::SetField(std::string_view field, const FieldValue& value) {
  const int index = FieldIndex(field);
  if (index < 0) throw DatabaseError("Field '" + std::string(field) + "' not found");
  if (!pending_) throw DatabaseError("Dataset not in edit or insert mode");
  (*pending_)[static_cast<std::size_t>(index)] = std::visit(
      [](const auto& v) -> QVariant {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, long long>) {
          return QVariant(static_cast<qlonglong>(v));
        } else {
          return QVariant(QString::fromStdString(v));
        }
      },
      value);
}

void MeasurementTable::Post() {
  if (!pending_) return;
  QSqlQuery& insert = statements_->insert;
  for (int i = 0; i < kFieldCount; ++i) insert.bindValue(i, (*pending_)[static_cast<std::size_t>(i)]);
  // A row that fails to post stays pending; the next reset discards it.
  if (!insert.exec()) Fail(insert.lastError());
  insert.finish();
  pending_.reset();
}

void MeasurementTable::Refresh() {
  if (!active_) throw DatabaseError("Cannot perform this operation on a closed dataset");
  const int before = RecordCount();
  ReadRowsAfterLast();
  if (RecordCount() > before) emit RowsAppended(before, RecordCount() - 1);
  if (current_ < 0 && !rows_.empty()) SetCurrent(0);
}

void MeasurementTable::Last() {
  if (!rows_.empty()) SetCurrent(RecordCount() - 1);
}

const QVariant& MeasurementTable::Value(int row, int column) const {
  return rows_.at(static_cast<std::size_t>(row)).values.at(static_cast<std::size_t>(column));
}

void MeasurementTable::ReadRowsAfterLast() {
  QSqlQuery& query = statements_->rowsAfter;
  query.bindValue(0, lastRowId_);
  if (!query.exec()) Fail(query.lastError());
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

void MeasurementTable::SetCurrent(int row) {
  if (row == current_) return;
  current_ = row;
  emit CurrentRowChanged(row);
}

}  // namespace kelvatrix
