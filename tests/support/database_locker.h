#pragma once
#include <QProcess>
#include <QString>

namespace kelvatrix::test {

// Another process (the sqlite3 shell) holding an exclusive lock on a database until this
// object goes away.
class DatabaseLocker {
 public:
  explicit DatabaseLocker(const QString& databasePath);
  ~DatabaseLocker();
  bool Locked() const { return locked_; }

 private:
  QProcess shell_;
  bool locked_ = false;
};

}  // namespace kelvatrix::test
