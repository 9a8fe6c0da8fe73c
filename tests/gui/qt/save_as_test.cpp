#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <memory>

#include "meter_runs.h"
#include "spreadsheet_reader.h"
#include "window_rig.h"

namespace kelvatrix {

// Save as... through the window: the dialog, the question before replacing a file, the
// worksheet, and the failures an operator must hear about.
class SaveAsTest : public QObject, protected test::WindowRig {
  Q_OBJECT

 private slots:
  void init() {
    source_ = std::make_unique<test::TestDataSource>();
    StartWithMeter("Kelvatrix-save-test", test::RisingMeterRun(5));
    dialogs_.Clear();
    file_ = source_->Dir() + QStringLiteral("/run.xls");
  }
  void cleanup() { CloseAll(); }

  void withNoReadingsItSaysSoAndAsksForNoFile() {
    WriteOld();
    const SaveResult result = window_->Logic().savebClick();
    QCOMPARE(result.outcome, SaveResult::Outcome::NothingToSave);
    QVERIFY(dialogs_.SaveDialogsShown().empty());
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(dialogs_.Shown()[0].flags, box::kInformation);
    QCOMPARE(Old(), QByteArray("old"));
  }

  void theDialogOffersBothFileTypesAndCancelWritesNothing() {
    window_->Logic().RoundButton1Click();
    QCOMPARE(window_->Logic().savebClick().outcome, SaveResult::Outcome::Cancelled);
    QCOMPARE(dialogs_.SaveDialogsShown().size(), size_t(1));
    const Dialogs::SaveFileRequest& request = dialogs_.SaveDialogsShown()[0];
    QCOMPARE(request.defaultExtension, std::string("XLS"));
    QCOMPARE(request.filter.size(), size_t(2));
    QCOMPARE(request.filter[0], std::make_pair(std::string("*.XLS"), std::string("*.XLS")));
    QCOMPARE(request.filter[1], std::make_pair(std::string("*.xls"), std::string("*.xls")));
    QVERIFY(dialogs_.Shown().empty());
  }

  void aNewFileIsWrittenWithoutAQuestion() {
    window_->Logic().RoundButton1Click();
    dialogs_.QueueFileName(file_.toStdString());
    const SaveResult result = window_->Logic().savebClick();
    QCOMPARE(result.outcome, SaveResult::Outcome::Saved);
    QCOMPARE(result.records, 5);
    QVERIFY(dialogs_.Shown().empty());
    std::string error;
    const auto rows = test::ReadSheet(file_.toStdString(), error);
    QVERIFY2(rows.has_value(), error.c_str());
    QCOMPARE(rows->size(), size_t(7));
    QCOMPARE((*rows)[5][4].value, std::string("40"));
    QCOMPARE((*rows)[6][4].value, std::string("----"));  // over range
  }

  void anExistingFileIsReplacedOnlyOnYesAndAskedAboutOnce() {
    window_->Logic().RoundButton1Click();
    WriteOld();
    dialogs_.QueueFileName(file_.toStdString());
    dialogs_.QueueAnswer(box::kResultNo);
    QCOMPARE(window_->Logic().savebClick().outcome, SaveResult::Outcome::Kept);
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(dialogs_.Shown()[0].text,
             file_.toStdString() + "  already exists!\rDo you want to replace it?");
    QCOMPARE(dialogs_.Shown()[0].caption, std::string("Query  Information"));
    QCOMPARE(dialogs_.Shown()[0].flags, 36);
    QCOMPARE(window_->Logic().Messages().MsgCaption, std::string("Query  Information"));
    QCOMPARE(Old(), QByteArray("old"));

    dialogs_.Clear();
    dialogs_.QueueFileName(file_.toStdString());
    dialogs_.QueueAnswer(box::kResultYes);
    QCOMPARE(window_->Logic().savebClick().outcome, SaveResult::Outcome::Saved);
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QVERIFY(Old().startsWith(QByteArray::fromHex("090808000000100000000000")));
  }

  // The disk fills up half way (a file size limit stands in for it): the operator hears
  // why, and the file that was there is whole and nothing else is left in the folder.
  void aFailedWriteIsReportedAndKeepsTheOldFile() {
    window_->Logic().RoundButton1Click();
    WriteOld();
    const int filesBefore = QDir(source_->Dir()).count();
    dialogs_.QueueFileName(file_.toStdString());
    dialogs_.QueueAnswer(box::kResultYes);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small{64, saved.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const SaveResult result = window_->Logic().savebClick();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(result.outcome, SaveResult::Outcome::Failed);
    QCOMPARE(dialogs_.Shown().size(), size_t(2));  // the question, then the error
    QCOMPARE(dialogs_.Shown()[1].caption, std::string("Save Error"));
    QCOMPARE(dialogs_.Shown()[1].flags, box::kError);
    QCOMPARE(QString::fromStdString(dialogs_.Shown()[1].text),
             QStringLiteral("The readings were not saved: cannot write '") + file_ +
                 QStringLiteral("': File too large.\rThe file that was there is kept as it was."));
    QCOMPARE(Old(), QByteArray("old"));
    QCOMPARE(QDir(source_->Dir()).count(), filesBefore);
  }

  // A folder this user may not write: the reason is the system's, and nothing is written.
  // Run as root, the save runs with another user's file permissions.
  void aFolderThatCannotBeWrittenIsReported() {
    window_->Logic().RoundButton1Click();
    const QString folder = source_->Dir() + QStringLiteral("/locked");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(
        folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    dialogs_.QueueFileName((folder + QStringLiteral("/run.xls")).toStdString());
    const bool root = geteuid() == 0;
    if (root) {  // another user, in another group: its permissions are the "other" ones
      setfsgid(65534);
      setfsuid(65534);
    }
    const SaveResult result = window_->Logic().savebClick();
    if (root) {
      setfsuid(0);
      setfsgid(0);
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(result.outcome, SaveResult::Outcome::Failed);
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(QString::fromStdString(dialogs_.Shown()[0].text),
             QStringLiteral("The readings were not saved: cannot create a file in '") + folder +
                 QStringLiteral("': Permission denied."));
    QVERIFY(QDir(folder).isEmpty());
  }

  // A read-only file is kept without a question about replacing it.
  void aReadOnlyFileIsRefusedBeforeAnyQuestion() {
    window_->Logic().RoundButton1Click();
    WriteOld();
    QVERIFY(QFile::setPermissions(file_, QFile::ReadOwner | QFile::ReadOther));
    dialogs_.QueueFileName(file_.toStdString());
    const SaveResult result = window_->Logic().savebClick();
    QFile::setPermissions(file_, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(result.outcome, SaveResult::Outcome::Failed);
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(dialogs_.Shown()[0].text, file_.toStdString() +
                                           " is read-only: it was kept as it is.\rChoose another "
                                           "name, or make the file writable first.");
    QCOMPARE(dialogs_.Shown()[0].flags, box::kError);
    QCOMPARE(Old(), QByteArray("old"));
  }

 private:
  void WriteOld() {
    QFile old(file_);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
  }
  QByteArray Old() const {
    QFile old(file_);
    return old.open(QIODevice::ReadOnly) ? old.readAll() : QByteArray();
  }

  QString file_;
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::SaveAsTest)
#include "save_as_test.moc"
