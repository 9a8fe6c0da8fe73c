#include "platform/odbc.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <cstring>

#include "platform/database_error.h"

namespace kelvatrix {
namespace {

// SQLite's "database is locked" (SQLITE_BUSY, SQLITE_LOCKED) as its driver reports it, and
// the SQLSTATE of a lock timeout.
bool IsBusy(const std::string& state, SQLINTEGER native, const std::string& text) {
  return native == 5 || native == 6 || state == "HYT00" || state == "HYT01" ||
         text.find("database is locked") != std::string::npos || text.find("database table is locked") != std::string::npos;
}

// Raises what the driver says went wrong with `handle`.
[[noreturn]] void Fail(SQLSMALLINT type, SQLHANDLE handle, const std::string& what) {
  std::string text;
  bool busy = false;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[8] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[1024] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN result =
        SQLGetDiagRec(type, handle, record, state, &native, message, sizeof message, &length);
    if (result != SQL_SUCCESS && result != SQL_SUCCESS_WITH_INFO) break;
    const std::string said(reinterpret_cast<const char*>(message));
    const std::string code(reinterpret_cast<const char*>(state));
    busy = busy || IsBusy(code, native, said);
    if (!text.empty()) text += " ";
    text += said;
  }
  if (text.empty()) text = what + " failed";
  if (busy) throw DatabaseBusy(text);
  throw DatabaseError(text);
}

bool Succeeded(SQLRETURN result) { return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO; }

SQLCHAR* Chars(const std::string& text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())); }

}  // namespace

OdbcConnection::OdbcConnection(const std::string& connectionString) {
  SQLHENV environment = SQL_NULL_HENV;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
    throw DatabaseError("the ODBC driver manager cannot be used");
  environment_ = environment;
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLHDBC connection = SQL_NULL_HDBC;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection))) {
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    throw DatabaseError("the ODBC driver manager cannot make a connection");
  }
  SQLCHAR out[1024];
  SQLSMALLINT outLength = 0;
  const SQLRETURN result = SQLDriverConnect(connection, nullptr, Chars(connectionString), SQL_NTS, out, sizeof out,
                                            &outLength, SQL_DRIVER_NOPROMPT);
  if (!Succeeded(result)) {
    try {
      Fail(SQL_HANDLE_DBC, connection, "connecting to " + connectionString);
    } catch (...) {
      SQLFreeHandle(SQL_HANDLE_DBC, connection);
      SQLFreeHandle(SQL_HANDLE_ENV, environment);
      throw;
    }
  }
  connection_ = connection;
}

OdbcConnection::~OdbcConnection() {
  if (connection_) {
    SQLDisconnect(static_cast<SQLHDBC>(connection_));
    SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(connection_));
  }
  if (environment_) SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(environment_));
}

std::string OdbcConnection::DbmsName() const {
  SQLCHAR name[128] = {};
  SQLSMALLINT length = 0;
  if (!Succeeded(SQLGetInfo(static_cast<SQLHDBC>(connection_), SQL_DBMS_NAME, name, sizeof name, &length))) return {};
  return reinterpret_cast<const char*>(name);
}

void OdbcConnection::Execute(const std::string& sql) {
  OdbcStatement statement(*this, sql);
  statement.Execute();
  statement.Close();
}

struct OdbcStatement::Bound {
  std::vector<std::string> texts;
  std::vector<SQLLEN> lengths;
};

OdbcStatement::OdbcStatement(OdbcConnection& connection, const std::string& sql)
    : connection_(connection), sql_(sql), bound_(std::make_unique<Bound>()) {
  SQLHSTMT statement = SQL_NULL_HSTMT;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(connection.Handle()), &statement)))
    Fail(SQL_HANDLE_DBC, static_cast<SQLHDBC>(connection.Handle()), "a statement");
  statement_ = statement;
  if (!Succeeded(SQLPrepare(statement, Chars(sql_), SQL_NTS))) {
    try {
      Fail(SQL_HANDLE_STMT, statement, sql_);
    } catch (...) {
      SQLFreeHandle(SQL_HANDLE_STMT, statement);
      statement_ = nullptr;
      throw;
    }
  }
}

OdbcStatement::~OdbcStatement() {
  if (statement_) SQLFreeHandle(SQL_HANDLE_STMT, static_cast<SQLHSTMT>(statement_));
}

void OdbcStatement::Execute(const std::vector<OdbcText>& parameters) {
  const auto statement = static_cast<SQLHSTMT>(statement_);
  Close();
  Bound& bound = *bound_;
  bound.texts.assign(parameters.size(), std::string());
  bound.lengths.assign(parameters.size(), 0);
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (parameters[i]) bound.texts[i] = *parameters[i];
    bound.lengths[i] = parameters[i] ? static_cast<SQLLEN>(bound.texts[i].size()) : SQL_NULL_DATA;
    const SQLULEN size = bound.texts[i].empty() ? 1 : bound.texts[i].size();
    if (!Succeeded(SQLBindParameter(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                                    SQL_VARCHAR, size, 0, Chars(bound.texts[i]),
                                    static_cast<SQLLEN>(bound.texts[i].size() + 1), &bound.lengths[i]))) {
      Fail(SQL_HANDLE_STMT, statement, sql_);
    }
  }
  const SQLRETURN result = SQLExecute(statement);
  if (!Succeeded(result) && result != SQL_NO_DATA) Fail(SQL_HANDLE_STMT, statement, sql_);
  columns_ = -1;
}

std::optional<std::vector<OdbcText>> OdbcStatement::Fetch() {
  const auto statement = static_cast<SQLHSTMT>(statement_);
  if (columns_ < 0) {
    SQLSMALLINT count = 0;
    if (!Succeeded(SQLNumResultCols(statement, &count))) Fail(SQL_HANDLE_STMT, statement, sql_);
    columns_ = count;
  }
  if (columns_ == 0) return std::nullopt;
  const SQLRETURN fetched = SQLFetch(statement);
  if (fetched == SQL_NO_DATA) {
    Close();
    return std::nullopt;
  }
  if (!Succeeded(fetched)) Fail(SQL_HANDLE_STMT, statement, sql_);
  std::vector<OdbcText> row;
  row.reserve(static_cast<std::size_t>(columns_));
  for (SQLUSMALLINT column = 1; column <= static_cast<SQLUSMALLINT>(columns_); ++column) {
    std::string text;
    char part[256];
    SQLLEN length = 0;
    bool null = false;
    // A long text comes in parts; each part but the last fills the buffer, ended by a NUL.
    for (;;) {
      const SQLRETURN got = SQLGetData(statement, column, SQL_C_CHAR, part, sizeof part, &length);
      if (got == SQL_NO_DATA) break;
      if (!Succeeded(got)) Fail(SQL_HANDLE_STMT, statement, sql_);
      if (length == SQL_NULL_DATA) {
        null = true;
        break;
      }
      const std::size_t inPart = length == SQL_NO_TOTAL || length >= static_cast<SQLLEN>(sizeof part)
                                     ? sizeof part - 1
                                     : static_cast<std::size_t>(length);
      text.append(part, inPart);
      if (got == SQL_SUCCESS) break;
    }
    row.push_back(null ? OdbcText() : OdbcText(std::move(text)));
  }
  return row;
}

void OdbcStatement::Close() {
  if (statement_) SQLFreeStmt(static_cast<SQLHSTMT>(statement_), SQL_CLOSE);
  columns_ = -1;
}

std::int64_t OdbcStatement::RowsChanged() {
  SQLLEN rows = 0;
  if (!Succeeded(SQLRowCount(static_cast<SQLHSTMT>(statement_), &rows))) return -1;
  return rows;
}

}  // namespace kelvatrix
