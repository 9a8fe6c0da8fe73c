#pragma once
// The ODBC API itself, thinly: a connection to a data source and statements over it,
// every text in and out as UTF-8 (SQL_C_CHAR), every failure raised as DatabaseError (or
// DatabaseBusy while another client holds a lock) with the driver's own text. Only the
// unsuffixed ODBC calls are used: Wine's odbc32 implements them and not the "A" ones.
// Statements go before their connection: the SQLite driver refuses to close a connection
// with statements still open.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelvatrix {

using OdbcText = std::optional<std::string>;  // nothing: SQL NULL

class OdbcConnection {
 public:
  // Connects to `connectionString` ("DSN=kelvatrix"). Raises DatabaseError.
  explicit OdbcConnection(const std::string& connectionString);
  ~OdbcConnection();
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  // The database's name as its driver gives it ("SQLite", "ACCESS").
  std::string DbmsName() const;
  // Runs `sql` once, without parameters; the rows it gives are dropped.
  void Execute(const std::string& sql);

  void* Handle() const { return connection_; }

 private:
  void* environment_ = nullptr;
  void* connection_ = nullptr;
};

class OdbcStatement {
 public:
  // Prepares `sql` on `connection`. Raises DatabaseError.
  OdbcStatement(OdbcConnection& connection, const std::string& sql);
  ~OdbcStatement();
  OdbcStatement(const OdbcStatement&) = delete;
  OdbcStatement& operator=(const OdbcStatement&) = delete;

  // Runs the statement with `parameters` for its "?" in order (NULL for an empty one).
  void Execute(const std::vector<OdbcText>& parameters = {});
  // The next row of a query's result, each column as text; nothing past the last row, and
  // the result is closed then.
  std::optional<std::vector<OdbcText>> Fetch();
  // Closes the result of a query read only in part.
  void Close();
  // The rows an update or delete changed.
  std::int64_t RowsChanged();

 private:
  struct Bound;  // the parameters' texts and lengths, which the driver reads at execution

  OdbcConnection& connection_;
  void* statement_ = nullptr;
  std::string sql_;
  std::unique_ptr<Bound> bound_;
  short columns_ = -1;
};

}  // namespace kelvatrix
