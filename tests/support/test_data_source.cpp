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

}  // namespace kelvatrix::test
