#pragma once
// What differs between the databases the data source may name, in one place: how a row is
// identified, how one is inserted and read back, and whether this connection can tell
// that another one wrote. SQLite (the SQLite ODBC driver, on Linux and in the tests) has
// its rowid and PRAGMA data_version; the Microsoft Access driver (Windows) has neither
// and no WITH, so its table gets an AutoNumber column of the program's own.

#include <array>
#include <optional>
#include <string>

namespace kelvatrix {

struct DatabaseDialect {
  enum class Kind { SQLite, Access };
  Kind kind = Kind::SQLite;

  // The column that identifies a row, never shown as a field: "rowid", or the AutoNumber
  // column "kid" that the program adds to an Access table.
  std::string identity;

  // Makes the table when it is missing.
  std::string CreateTable() const;
  // Adds the identity column to a table made without it (Access); nothing for SQLite.
  std::optional<std::string> AddIdentity() const;
  // Answers with no rows when the table and its identity exist, fails otherwise.
  std::string Probe() const;

  // The six fields in table order as parameters.
  std::string Insert() const;
  std::string InsertedIdentity() const;
  // Every row, or those after an identity (one parameter), the identity first, in order.
  std::string SelectAll() const;
  std::string SelectAfter() const;
  // Change (the six new values as parameters, then the identity) or delete (the identity)
  // the row only while it holds what the program last read of it: each field's old value
  // follows as a parameter, but for those that were NULL (`oldNull`).
  std::string UpdateIfUnchanged(const std::array<bool, 6>& oldNull) const;
  std::string DeleteIfUnchanged(const std::array<bool, 6>& oldNull) const;
  // Counts other connections' commits; nothing where the database cannot tell.
  std::optional<std::string> DataVersion() const;
  // SQLite names the file it opened; an empty name is a database in memory.
  std::optional<std::string> DatabaseFiles() const;
};

// A field's name as the dialect quotes it.
std::string QuotedField(const DatabaseDialect& dialect, const std::string& name);

// The dialect of the database a driver names with SQL_DBMS_NAME.
DatabaseDialect DialectFor(const std::string& dbmsName);

}  // namespace kelvatrix
