#pragma once
// The table `savedata` of the data source `kelvatrix`, reached through the ODBC API. It
// works like a data set with a cursor: the rows are kept in memory in table order, one of
// them is current, and a row is changed in an edit buffer (Append, Insert or Edit, then
// SetField, then Post or Cancel). The download appends through it and the grid edits
// through it; observers hear of every change of the rows, the current row and the state.
//
// The table has no key and may hold equal rows, so each cached row carries the identity
// the database gives it (DatabaseDialect): an edit or a delete changes exactly the row the
// operator sees, and only while it holds what was read of it. A refresh reads nothing while
// no other connection has written; when one has, the rows are read again, so rows that
// other clients add, change or delete are seen. Appending costs the same at row 60,000 as
// at row 1.
//
// Each row is committed as it is posted, so the rows of a download survive a crash.
// Errors of the database layer are raised as DatabaseError with the driver's text;
// DatabaseBusy while another client holds a lock, having changed nothing.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "store/database_dialect.h"
#include "platform/odbc.h"
#include "store/table_fields.h"

namespace kelvatrix {

using FieldValue = std::variant<long long, std::string>;

class MeasurementTable;

// Hears what changes in a table; every call comes on the thread that changed it.
class TableObserver {
 public:
  enum class State { Inactive, Browse, Edit, Insert };
  virtual ~TableObserver() = default;
  virtual void RowsReset() {}
  virtual void RowsInserted(int /*first*/, int /*last*/) {}
  virtual void RowsRemoved(int /*first*/, int /*last*/) {}
  virtual void RowChanged(int /*row*/) {}
  virtual void CurrentRowChanged(int /*row*/) {}
  virtual void StateChanged(State /*state*/) {}
};

class MeasurementTable {
 public:
  static constexpr int kFieldCount = kelvatrix::kFieldCount;
  static constexpr const std::array<TableField, kFieldCount>& kFields = kTableFields;
  using State = TableObserver::State;

  // `dataSource` is the ODBC data source name; the table is `savedata`.
  explicit MeasurementTable(std::string dataSource);
  ~MeasurementTable();
  MeasurementTable(const MeasurementTable&) = delete;
  MeasurementTable& operator=(const MeasurementTable&) = delete;

  void AddObserver(TableObserver* observer);
  void RemoveObserver(TableObserver* observer);

  State CurrentState() const { return state_; }
  bool Active() const { return state_ != State::Inactive; }
  // Opens the table, connecting to the data source first when needed; a database or a
  // table that does not exist yet is created.
  void Open();
  // Closes the table; an unposted change is dropped.
  void Close();
  // Empties the table in the database, then closes and opens it: afterwards the table is
  // open and holds no rows.
  void Reset();
  // Lets go of the database (and so of every lock this process holds on its files); the
  // rows stay, and the next operation that needs the database connects again.
  void Release();

  // Append adds an empty row at the end, Insert one before the current row; both make it
  // current. Edit starts changing the current row. SetField fills the row being changed;
  // Post writes it, Cancel takes the change back.
  void Append();
  void Insert();
  void Edit();
  void SetField(std::string_view field, const FieldValue& value);
  // Sets a field from the text an operator typed: empty text clears it, an integer field
  // takes only an integer.
  void SetFieldText(int column, const std::string& text);
  // What is wrong with `text` for field `column`, or nothing: the test SetFieldText makes.
  static std::string FieldTextProblem(int column, std::string_view text);
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
  // Reads what other clients changed since the last read.
  void Refresh();

  // True when the table holds no records (also when it is closed).
  bool IsEmpty() const { return rows_.empty(); }
  int RecordCount() const { return static_cast<int>(rows_.size()); }
  int CurrentRow() const { return current_; }
  // The value of field `column` (kFields order) of row `row` as text; nothing for NULL.
  const OdbcText& Value(int row, int column) const;

  static int FieldIndex(std::string_view field) { return kelvatrix::FieldIndex(field); }

 private:
  using Values = std::array<OdbcText, kFieldCount>;
  struct Row {
    std::int64_t id = 0;  // the database's identity; 0 until the row is posted
    Values values;
  };
  struct Connection;

  void Connect();
  Connection& Db();
  void RequireActive() const;
  void FinishChange();
  void AddRow(int at);
  void RemoveRow(int at);
  void SetValue(int column, OdbcText value, bool announce = true);
  void WriteNewRow(Row& row);
  void WriteChangedRow(const Row& row);
  // Reads every row again; keeps the current row where it still is.
  void ReadAll();
  // Reads the rows after readUpTo_ that were not posted here.
  void ReadNew();
  std::optional<std::int64_t> DataVersion();
  void SetCurrent(int row);
  void SetState(State state);
  template <typename Call>
  void Tell(Call call);

  std::string dataSource_;
  std::unique_ptr<Connection> connection_;
  std::vector<TableObserver*> observers_;
  State state_ = State::Inactive;
  bool modified_ = false;
  Values original_;  // the row as it was before Edit
  std::vector<Row> rows_;
  // Every row with an identity up to this one is cached; a database without a data
  // version reads those after it at each refresh, but for the ones posted here (ownAbove_).
  std::int64_t readUpTo_ = 0;
  std::vector<std::int64_t> ownAbove_;
  // The database's data version as it was after the cached rows were last read; while it
  // stays, no other connection has written. Empty where the database cannot tell.
  std::optional<std::int64_t> readAtVersion_;
  int current_ = -1;
};

}  // namespace kelvatrix
