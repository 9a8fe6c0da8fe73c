#pragma once
// The table `savedata` of the data source `kelvatrix`, opened through Qt SQL's ODBC
// driver, with the operations the program performs on it: reset, and row append
// (Append, SetField by name, Post, Refresh, Last). The rows are also kept in memory in
// table order, for the grid and the worksheet writer; Refresh reads only rows added since
// the last read, so appending costs the same at row 60,000 as at row 1.
//
// Each row is committed as it is posted, so the rows of a download survive a crash.
// Errors of the database layer are thrown as DatabaseError with the layer's text.

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kelvatrix {

using FieldValue = std::variant<long long, std::string>;

class MeasurementTable : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFieldCount = 6;
  static constexpr std::array<std::string_view, kFieldCount> kFieldNames = {
      "recno", "times", "voltage", "unitv", "register", "unitr"};

  // `dataSource` is the ODBC data source name; the table is `savedata`.
  explicit MeasurementTable(QString dataSource, QObject* parent = nullptr);
  ~MeasurementTable() override;

  bool Active() const { return active_; }
  // Opens the table, connecting to the data source first when needed; a database or a
  // table that does not exist yet is created.
  void Open();
  void Close();
  // Close, delete every row, open: afterwards the table is open and holds no rows.
  void Reset();

  // Row append. Append starts a new row at the end; SetField fills it by field name;
  // Post writes it; Refresh reads rows added since; Last makes the newest row current.
  void Append();
  void SetField(std::string_view field, const FieldValue& value);
  void Post();
  void Refresh();
  void Last();
  bool Appending() const { return pending_ != nullptr; }

  // True when the table holds no records (also when it is closed).
  bool IsEmpty() const { return rows_.empty(); }
  int RecordCount() const { return static_cast<int>(rows_.size()); }
  int CurrentRow() const { return current_; }
  // The value of field `column` (kFieldNames order) of row `row`; null when unset.
  const QVariant& Value(int row, int column) const;

  static int FieldIndex(std::string_view field);

 signals:
  void RowsReset();
  void RowsAppended(int first, int last);
  void CurrentRowChanged(int row);

 private:
  struct Row {
    qint64 rowId = 0;
    std::array<QVariant, kFieldCount> values;
  };
  struct Statements;

  void Connect();
  void ReadRowsAfterLast();
  void SetCurrent(int row);
  QSqlDatabase Database() const;

  QString connectionName_;
  QString dataSource_;
  std::unique_ptr<Statements> statements_;
  bool active_ = false;
  std::vector<Row> rows_;
  qint64 lastRowId_;
  int current_ = -1;
  std::unique_ptr<std::array<QVariant, kFieldCount>> pending_;
};

}  // namespace kelvatrix
