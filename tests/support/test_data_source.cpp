#include "test_data_source.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <stdexcept>

#include "platform/scripted_dialogs.h"

namespace kelvatrix::test {

TestDataSource::TestDataSource()
    : savedIni_(qgetenv("ODBCINI")), savedRuntime_(qgetenv("XDG_RUNTIME_DIR")) {
  if (!dir_.isValid()) throw std::runtime_error("no temporary directory");
  QDir(dir_.path()).mkdir(QStringLiteral("run"));
  QFile::setPermissions(dir_.filePath(QStringLiteral("run")),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("ODBCINI", dir_.filePath(QStringLiteral("odbc.ini")).toLocal8Bit());
  qputenv("XDG_RUNTIME_DIR", dir_.filePath(QStringLiteral("run")).toLocal8Bit());
  ScriptedDialogs dialogs;
  if (!RegisterDataSource(Settings(), dialogs)) throw std::runtime_error("registration failed");
}

TestDataSource::~TestDataSource() {
  qputenv("ODBCINI", savedIni_);
  qputenv("XDG_RUNTIME_DIR", savedRuntime_);
}

DataSourceSettings TestDataSource::Settings() const {
  DataSourceSettings settings = DefaultDataSourceSettings();
  settings.currentDirectory = dir_.path().toStdString();
  return settings;
}

std::vector<std::vector<QVariant>> TestDataSource::Query(const QString& sql) const {
  std::vector<std::vector<QVariant>> rows;
  const QString name = QStringLiteral("test-reader");
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
    db.setDatabaseName(QString::fromLatin1(kDataSourceName));
    if (!db.open()) throw std::runtime_error(db.lastError().text().toStdString());
    {
      QSqlQuery query(db);
      if (!query.exec(sql)) throw std::runtime_error(query.lastError().text().toStdString());
      while (query.next()) {
        std::vector<QVariant> row;
        for (int i = 0; i < query.record().count(); ++i) row.push_back(query.value(i));
        rows.push_back(std::move(row));
      }
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
  return rows;
}

void TestDataSource::InsertRun(int rows, const QString& resistanceUnit) const {
  Query(
      QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                     "INSERT INTO savedata (recno, times, voltage, unitv, \"register\", unitr) "
                     "SELECT i, i % 600 + 1, '5000', 'V', ((i * 7) % 1000 + 1) / 10.0, '%2' FROM n")
          .arg(rows - 1)
          .arg(resistanceUnit));
}

}  // namespace kelvatrix::test
