#pragma once
// A private data source for one test (see OdbcTestSource), for the Qt tests: paths as
// QString, rows as QVariant (a text, or a null one for NULL).

#include <QString>
#include <QVariant>

#include <vector>

#include "odbc_test_source.h"

namespace kelvatrix::test {

class TestDataSource {
 public:
  QString Dir() const { return QString::fromStdString(source_.Dir()); }
  QString DatabasePath() const { return QString::fromStdString(source_.DatabasePath()); }
  DataSourceSettings Settings() const { return source_.Settings(); }

  // Runs `sql` on a connection of its own, as another ODBC client would; returns the rows.
  std::vector<std::vector<QVariant>> Query(const QString& sql) const;

  // Puts `rows` readings of a long run into savedata with one statement.
  void InsertRun(int rows, const QString& resistanceUnit) const {
    source_.InsertRun(rows, resistanceUnit.toStdString());
  }

 private:
  OdbcTestSource source_;
};

}  // namespace kelvatrix::test
