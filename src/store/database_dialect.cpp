#include "store/database_dialect.h"

#include <cctype>

#include "store/table_fields.h"

namespace kelvatrix {
namespace {

// Every field in table order, as "a, b, c".
std::string Fields(const DatabaseDialect& dialect) {
  std::string list;
  for (const TableField& field : kTableFields) {
    if (!list.empty()) list += ", ";
    list += QuotedField(dialect, std::string(field.name));
  }
  return list;
}

std::string Placeholders(int count) {
  std::string list;
  for (int i = 0; i < count; ++i) list += i ? ", ?" : "?";
  return list;
}

// "a = ? AND b IS NULL AND ...": the row as it was last read.
std::string Unchanged(const DatabaseDialect& dialect, const std::array<bool, 6>& oldNull) {
  std::string where;
  for (std::size_t i = 0; i < kTableFields.size(); ++i) {
    where += " AND " + QuotedField(dialect, std::string(kTableFields[i].name)) + (oldNull[i] ? " IS NULL" : " = ?");
  }
  return where;
}

}  // namespace

std::string QuotedField(const DatabaseDialect& dialect, const std::string& name) {
  return dialect.kind == DatabaseDialect::Kind::Access ? "[" + name + "]" : "\"" + name + "\"";
}

std::string DatabaseDialect::CreateTable() const {
  std::string columns;
  for (const TableField& field : kTableFields) {
    if (!columns.empty()) columns += ", ";
    columns += QuotedField(*this, std::string(field.name)) +
               (field.kind == TableField::Kind::Integer ? " INTEGER"
                                                        : " VARCHAR(" + std::to_string(field.displayWidth) + ")");
  }
  if (kind == Kind::Access) return "CREATE TABLE savedata (" + columns + ", " + identity + " COUNTER)";
  return "CREATE TABLE IF NOT EXISTS savedata (" + columns + ")";
}

std::optional<std::string> DatabaseDialect::AddIdentity() const {
  if (kind != Kind::Access) return std::nullopt;
  return "ALTER TABLE savedata ADD COLUMN " + identity + " COUNTER";
}

std::string DatabaseDialect::Probe() const { return "SELECT " + identity + " FROM savedata WHERE 1 = 0"; }

std::string DatabaseDialect::Insert() const {
  if (kind == Kind::Access) return "INSERT INTO savedata (" + Fields(*this) + ") VALUES (" + Placeholders(6) + ")";
  // The SQLite ODBC driver keeps a statement compiled only when it reads like a query (it
  // begins with SELECT or WITH) and compiles any other at every execution, which cost a
  // download more than writing the row: the row is given as a common table expression
  // and inserted from it, the same insert compiled once.
  return "WITH reading (" + Fields(*this) + ") AS (VALUES (" + Placeholders(6) + ")) INSERT INTO savedata (" +
         Fields(*this) + ") SELECT * FROM reading";
}

std::string DatabaseDialect::InsertedIdentity() const {
  return kind == Kind::Access ? "SELECT @@IDENTITY" : "SELECT last_insert_rowid()";
}

std::string DatabaseDialect::SelectAll() const {
  return "SELECT " + identity + ", " + Fields(*this) + " FROM savedata ORDER BY " + identity;
}

std::string DatabaseDialect::SelectAfter() const {
  return "SELECT " + identity + ", " + Fields(*this) + " FROM savedata WHERE " + identity + " > ? ORDER BY " +
         identity;
}

std::string DatabaseDialect::UpdateIfUnchanged(const std::array<bool, 6>& oldNull) const {
  std::string set;
  for (const TableField& field : kTableFields) {
    if (!set.empty()) set += ", ";
    set += QuotedField(*this, std::string(field.name)) + " = ?";
  }
  return "UPDATE savedata SET " + set + " WHERE " + identity + " = ?" + Unchanged(*this, oldNull);
}

std::string DatabaseDialect::DeleteIfUnchanged(const std::array<bool, 6>& oldNull) const {
  return "DELETE FROM savedata WHERE " + identity + " = ?" + Unchanged(*this, oldNull);
}

std::optional<std::string> DatabaseDialect::DataVersion() const {
  if (kind != Kind::SQLite) return std::nullopt;
  return "PRAGMA data_version";
}

std::optional<std::string> DatabaseDialect::DatabaseFiles() const {
  if (kind != Kind::SQLite) return std::nullopt;
  return "PRAGMA database_list";
}

DatabaseDialect DialectFor(const std::string& dbmsName) {
  std::string name;
  for (const char c : dbmsName) name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (name.find("ACCESS") != std::string::npos) return {DatabaseDialect::Kind::Access, "kid"};
  return {DatabaseDialect::Kind::SQLite, "rowid"};
}

}  // namespace kelvatrix
