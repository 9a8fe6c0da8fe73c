#pragma once
// A private data source for one test: its own odbc.ini (ODBCINI), runtime directory and
// database directory, all inside a temporary directory that goes away with it.

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <string>
#include <vector>

#include "platform/data_source_registration.h"

namespace kelvatrix::test {

class TestDataSource {
 public:
  // Registers the data source `kelvatrix` for a database in the temporary directory.
  TestDataSource();
  ~TestDataSource();
  TestDataSource(const TestDataSource&) = delete;
  TestDataSource& operator=(const TestDataSource&) = delete;

  QString Dir() const { return dir_.path(); }
  QString DatabasePath() const { return dir_.filePath(QStringLiteral("kelvatrix.db")); }
  DataSourceSettings Settings() const;

  // Runs `sql` on a connection of its own, as another ODBC client would; returns the rows.
  std::vector<std::vector<QVariant>> Query(const QString& sql) const;

  // Puts `rows` readings of a long run into savedata with one statement: times 1 to 600
  // over and over, 5000 V, rising resistance values in `resistanceUnit`.
  void InsertRun(int rows, const QString& resistanceUnit) const;

 private:
  QTemporaryDir dir_;
  QByteArray savedIni_;
  QByteArray savedRuntime_;
};

}  // namespace kelvatrix::test
