#pragma once
// A private data source for one test: its own odbc.ini (ODBCINI), runtime directory and
// database directory, all inside a temporary directory that goes away with it. Standard
// library only, for the tests of the Qt-free libraries.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/data_source_registration.h"
#include "platform/odbc.h"

namespace kelvatrix::test {

class OdbcTestSource {
 public:
  // Registers the data source `kelvatrix` for a database in the temporary directory.
  OdbcTestSource();
  ~OdbcTestSource();
  OdbcTestSource(const OdbcTestSource&) = delete;
  OdbcTestSource& operator=(const OdbcTestSource&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string DatabasePath() const { return dir_ + "/kelvatrix.db"; }
  DataSourceSettings Settings() const;

  // Runs `sql` on a connection of its own, as another ODBC client would; returns the rows.
  std::vector<std::vector<OdbcText>> Query(const std::string& sql) const;

  // Puts `rows` readings of a long run into savedata with one statement: times 1 to 600
  // over and over, 5000 V, rising resistance values in `resistanceUnit`.
  void InsertRun(int rows, const std::string& resistanceUnit) const;

 private:
  std::string dir_;
  std::optional<std::string> savedIni_;
  std::optional<std::string> savedRuntime_;
};

}  // namespace kelvatrix::test
