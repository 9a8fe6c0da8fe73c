#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QPrintPreviewDialog>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "gui/qt/qt_dialogs.h"
#include "gui/qt/qt_print_jobs.h"
#include "meter_runs.h"
#include "window_rig.h"

namespace kelvatrix {

// SQLite keeps POSIX locks on the open database's files, and closing any descriptor of a
// file drops every lock this process holds on it. Nothing in the program may open those
// files but the database driver: a dialog that looks into the database's folder must
// leave the locks in place, and another client's writes are then kept.
class DatabaseLocksTest : public QObject, protected test::WindowRig {
  Q_OBJECT

 private slots:
  void init() {
    source_ = std::make_unique<test::TestDataSource>();
    previous_ = QDir::currentPath();
    QDir::setCurrent(source_->Dir());  // where the dialogs start: the database's folder
    StartWithMeter("Kelvatrix-locks-test", test::RisingMeterRun(20));
    window_->Logic().RoundButton1Click();
    QVERIFY(HeldLocks() > 0);
  }
  void cleanup() {
    CloseAll();
    QDir::setCurrent(previous_);
  }

  void theSaveDialogLeavesTheDatabasesLocksInPlace() {
    const int before = HeldLocks();
    QtDialogs dialogs;
    bool looked = false;
    CloseWhenShown<QFileDialog>([&](QFileDialog* dialog) {
      // The dialog has listed the folder and found its files' types and icons.
      auto* model = dialog->findChild<QFileSystemModel*>();
      looked = model && QTest::qWaitFor(
                            [&] {
                              const QModelIndex root = model->index(source_->Dir());
                              return model->rowCount(root) > 0 &&
                                     model->type(model->index(0, 0, root)).size() > 0;
                            },
                            10000);
      for (int row = 0; model && row < model->rowCount(model->index(source_->Dir())); ++row) {
        const QModelIndex index = model->index(row, 0, model->index(source_->Dir()));
        model->data(index, Qt::DecorationRole);
        model->type(index);
      }
      QTest::qWait(300);
    });
    QVERIFY(!dialogs.SaveFileName({{{"*.XLS", "*.XLS"}}, "XLS"}));
    QVERIFY(looked);
    QCOMPARE(HeldLocks(), before);
    AnotherClientsWriteIsKept();
  }

  // Print Data's preview holds stock dialogs of Qt's that may look into any folder: the
  // database is let go while it is up and taken again after.
  void thePrintPreviewLetsTheDatabaseGoAndTakesItAgain() {
    QDir().mkpath(source_->Dir() + QStringLiteral("/program"));
    QVERIFY(QFile::copy(QStringLiteral(KELVATRIX_SOURCE_DIR "/data/kelvatrix.rpt"),
                        source_->Dir() + QStringLiteral("/program/kelvatrix.rpt")));
    window_->Logic().SetProgramFolder((source_->Dir() + QStringLiteral("/program")).toStdString());
    window_->Logic().SetPrintJobs(MakePrinterJobs(window_.get(), true));
    int locksDuringPreview = -1;
    CloseWhenShown<QPrintPreviewDialog>(
        [&](QPrintPreviewDialog*) { locksDuringPreview = HeldLocks(); });
    window_->Logic().printdatabClick();
    QCOMPARE(locksDuringPreview, 0);
    window_->Logic().Table1().Refresh();  // the next use of the database takes it again
    QVERIFY(HeldLocks() > 0);
    AnotherClientsWriteIsKept();
  }

 private:
  // Another client adds a row; this program sees it and adds one of its own, which the
  // other client sees; and when the program has closed, both rows are still there.
  void AnotherClientsWriteIsKept() {
    source_->Query(QStringLiteral("INSERT INTO savedata (recno, times) VALUES (1000, 'other')"));
    MeasurementTable& table = window_->Logic().Table1();
    table.Refresh();
    QCOMPARE(table.RecordCount(), 21);
    table.Append();
    table.SetField("recno", 2000LL);
    table.SetField("times", std::string("ours"));
    table.Post();
    QCOMPARE(source_
                 ->Query(QStringLiteral(
                     "SELECT COUNT(*) FROM savedata WHERE times IN ('ours', 'other')"))[0][0]
                 .toInt(),
             2);
    window_.reset();
    QCOMPARE(source_->Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt(), 22);
  }

  // The locks this process holds on the database's files, from /proc/locks.
  int HeldLocks() const {
    std::set<std::string> files;
    for (const char* suffix : {"", "-wal", "-shm"}) {
      struct stat info {};
      if (stat((source_->DatabasePath().toStdString() + suffix).c_str(), &info) == 0) {
        char id[64];
        std::snprintf(id, sizeof id, "%02x:%02x:%llu", major(info.st_dev), minor(info.st_dev),
                      static_cast<unsigned long long>(info.st_ino));
        files.insert(id);
      }
    }
    std::ifstream locks("/proc/locks");
    int held = 0;
    const std::string pid = std::to_string(getpid());
    for (std::string line; std::getline(locks, line);) {
      if (line.find(" " + pid + " ") == std::string::npos) continue;
      for (const std::string& file : files)
        held += line.find(" " + file + " ") != std::string::npos;
    }
    return held;
  }

  // Runs `look` on the modal dialog of type Dialog once it shows, then closes it.
  template <typename Dialog, typename Look>
  void CloseWhenShown(Look look) {
    auto* poll = new QTimer(this);
    QObject::connect(poll, &QTimer::timeout, [poll, look] {
      if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
        poll->stop();
        look(dialog);
        dialog->reject();
        poll->deleteLater();
      }
    });
    poll->start(20);
  }

  QString previous_;
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::DatabaseLocksTest)
#include "database_locks_test.moc"
