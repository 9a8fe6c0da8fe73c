#include "database_locker.h"

namespace kelvatrix::test {

DatabaseLocker::DatabaseLocker(const QString& databasePath) {
  shell_.start(QStringLiteral("sqlite3"), {databasePath});
  if (!shell_.waitForStarted(5000)) return;
  shell_.write("BEGIN EXCLUSIVE;\nSELECT 'locked';\n");
  while (shell_.waitForReadyRead(5000)) {
    if (shell_.readAllStandardOutput().contains("locked")) {
      locked_ = true;
      break;
    }
  }
}

DatabaseLocker::~DatabaseLocker() {
  shell_.write("ROLLBACK;\n.quit\n");
  shell_.closeWriteChannel();
  if (!shell_.waitForFinished(5000)) shell_.kill();
}

}  // namespace kelvatrix::test
