#pragma once
// The table `savedata` of the data source `kelvatrix`, opened through Qt SQL's ODBC
// driver. It works like a data set with a cursor: the rows are kept in memory in table
// order, one of them is current, and a row is changed in an edit buffer (Append, Insert
// or Edit, then SetField, then Post or Cancel). The download appends through it and the
// grid edits through it.
//
// The table has no key and may hold equal rows, so each cached row carries SQLite's
// rowid: an edit or a delete changes exactly the row the operator sees. Refresh reads
// only rows with a rowid above the highest one read, so appending costs the same at row
// 60,000 as at row 1.
//
// Each row is committed as it is posted, so the rows of a download survive a crash.
// Errors of the database layer are thrown as DatabaseError with the layer's text.

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kelvatrix {

using FieldValue = std::variant<long long, std::string>;

struct TableField {
  enum class Kind { Integer, Text };
  std::string_view name;
  Kind kind;
  // Characters reserved for the field's text: the declared size of a text field.
  int displayWidth;
};

class MeasurementTable : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFieldCount = 6;
  static constexpr std::array<TableField, kFieldCount> kFields = {{
      {"recno", TableField::Kind::Integer, 11},
      {"times", TableField::Kind::Text, 10},
      {"voltage", TableField::Kind::Text, 10},
      {"unitv", TableField::Kind::Text, 5},
      {"register", TableField::Kind::Text, 16},
      {"unitr", TableField::Kind::Text, 10},
  }};

  enum class State { Inactive, Browse, Edit, Insert };

  // `dataSource` is the ODBC data source name; the table is `savedata`.
  explicit MeasurementTable(QString dataSource, QObject* parent = nullptr);
  ~MeasurementTable() override;

  State CurrentState() const { return state_; }
  bool Active() const { return state_ != State::Inactive; }
  // Opens the table, connecting to the data source first when needed; a database or a
  // table that does not exist yet is created.
  void Open();
  // Closes the table; an unposted change is dropped.
  void Close();
  // Close, delete every row, open: afterwards the table is open and holds no rows. A
  // database that another client keeps locked for now raises DatabaseBusy and leaves the
  // table as it was.
  void Reset();
  // Lets go of the database (and so of every lock this process holds on its files) while
  // something the program does not control may open and close those files, such as the
  // stock dialogs of a print preview; the rows stay as they are, and the next operation
  // that needs the database connects again.
  void Release();

  // Append adds an empty row at the end, Insert one before the current row; both make
  // it current. Edit starts changing the current row. SetField fills the row being
  // changed; Post writes it, Cancel takes the change back.
  void Append();
  void Insert();
  void Edit();
  void SetField(std::string_view field, const FieldValue& value);
  // Sets a field from the text an operator typed: empty text clears it, an integer field
  // takes only an integer.
  void SetFieldText(int column, const QString& text);
  // What is wrong with `text` for field `column`, or nothing: the test SetFieldText makes.
  static std::string FieldTextProblem(int column, const QString& text);
  void Post();
  void Cancel();
  // Changes since Append, Insert or Edit.
  bool Modified() const { return modified_; }
  // Deletes the current row from the table (or drops it while it is being inserted).
  void Delete();

  // Moving the cursor finishes a change first: a modified row is posted, an unmodified
  // one cancelled.
  void MoveTo(int row);
  void Last();
  // Reads rows other clients added since the last read.
  void Refresh();

  // True when the table holds no records (also when it is closed).
  bool IsEmpty() const { return rows_.empty(); }
  int RecordCount() const { return static_cast<int>(rows_.size()); }
  int CurrentRow() const { return current_; }
  // The value of field `column` (kFields order) of row `row`; null when unset.
  const QVariant& Value(int row, int column) const;

  static int FieldIndex(std::string_view field);

 signals:
  void RowsReset();
  void RowsInserted(int first, int last);
  void RowsRemoved(int first, int last);
  void RowChanged(int row);
  void CurrentRowChanged(int row);
  void StateChanged(MeasurementTable::State state);

 private:
  using Values = std::array<QVariant, kFieldCount>;
  struct Row {
    qint64 rowId = 0;  // 0 until the row is posted
    Values values;
  };
  struct Statements;

  void Connect();
  void RequireActive() const;
  void FinishChange();
  void AddRow(int at);
  void RemoveRow(int at);
  void SetValue(int column, QVariant value, bool announce = true);
  void WriteNewRow(Row& row);
  void WriteChangedRow(const Row& row);
  void ReadRowsAfterLast();
  std::optional<qint64> DataVersion();
  void SetCurrent(int row);
  void SetState(State state);
  QSqlDatabase Database() const;

  QString connectionName_;
  QString dataSource_;
  std::unique_ptr<Statements> statements_;
  State state_ = State::Inactive;
  bool modified_ = false;
  Values original_;  // the row as it was before Edit
  std::vector<Row> rows_;
  qint64 lastRowId_;
  // The database's data version as it was before the cached rows were last read: while
  // it stays, no other connection has written, and a refresh has nothing to read. Empty
  // where the database cannot tell.
  std::optional<qint64> readAtVersion_;
  int current_ = -1;
};

}  // namespace kelvatrix
