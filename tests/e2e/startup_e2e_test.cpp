#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <memory>

#include "program_run.h"
#include "test_data_source.h"

namespace kelvatrix {
namespace {

const char* const kRefusal = "sorry, this program only run one instance at a time!";

struct Run {
  int exitCode = -1;
  QString output;
};

}  // namespace

class StartupEndToEnd : public QObject {
  Q_OBJECT

 private slots:
  void init() { source_ = std::make_unique<test::TestDataSource>(); }
  void cleanup() { source_.reset(); }

  void batchStartUpLeavesATableOtherOdbcClientsCanRead() {
    const Run run = Batch(QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.output.contains(QStringLiteral("start-up: ok")), qPrintable(run.output));
    QVERIFY2(run.output.contains(QStringLiteral("download: 3 readings stored in savedata")), qPrintable(run.output));

    // unixODBC's own client, through the same user file.
    QProcess isql;
    isql.start(QStringLiteral("isql"), {QStringLiteral("-b"), QStringLiteral("kelvatrix")});
    QVERIFY(isql.waitForStarted());
    isql.write("SELECT COUNT(*) FROM savedata\n");
    isql.closeWriteChannel();
    QVERIFY(isql.waitForFinished(10000));
    QCOMPARE(isql.exitCode(), 0);
    QVERIFY2(isql.readAllStandardOutput().contains("| 3"), "isql did not count the three rows");
  }

  void secondInstanceIsRefusedCopiesAreNotAndACrashFreesTheName() {
    // Rows of an earlier run: the running instance's start-up empties the table, and only
    // then is a row of another client's put in.
    QCOMPARE(Batch(QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir()).exitCode, 0);
    QCOMPARE(RowCount(), 3);
    QProcess first;
    first.setWorkingDirectory(source_->Dir());
    first.setProcessChannelMode(QProcess::MergedChannels);
    first.start(QStringLiteral(KELVATRIX_EXECUTABLE), {});
    QVERIFY(first.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(RowCount(), 0, 30000);
    source_->Query(QStringLiteral("INSERT INTO savedata (recno) VALUES (41)"));

    const Run second = Batch(QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir());
    QCOMPARE(second.exitCode, 1);
    QVERIFY2(second.output.contains(QLatin1String(kRefusal)), qPrintable(second.output));
    QCOMPARE(RowCount(), 1);  // the refused instance left the running one's table alone

    // A copy under another name goes by another title and starts.
    QDir(source_->Dir()).mkdir(QStringLiteral("copy"));
    const QString copy = source_->Dir() + QStringLiteral("/copy/Kelvatrix-Bench.bin");
    QVERIFY(QFile::copy(QStringLiteral(KELVATRIX_EXECUTABLE), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner);
    const Run renamed = Batch(copy, source_->Dir() + QStringLiteral("/copy"));
    QVERIFY2(renamed.exitCode == 0, qPrintable(renamed.output));

    // An instance that dies without cleaning up does not block the next start.
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    QVERIFY(first.waitForFinished(5000));
    const Run afterCrash = Batch(QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir());
    QVERIFY2(afterCrash.exitCode == 0, qPrintable(afterCrash.output));
    QCOMPARE(RowCount(), 3);
  }

  void unknownOptionIsExplained() {
    const test::ProgramRun run =
        test::RunProgram(QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir(), {QStringLiteral("--simulat")}, 10000);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.output.contains(QStringLiteral("unknown option '--simulat'")), qPrintable(run.output));
    QVERIFY(run.output.contains(QStringLiteral("Usage:")));
  }

 private:
  // A batch run against the simulated meter with a short run of its own.
  static Run Batch(const QString& program, const QString& directory) {
    const test::ProgramRun run =
        test::RunBatch(program, directory, QStringLiteral("81 F4 41 2C\n01 F4 A0 FA\n02 58 13 FF\n"));
    return {run.exitCode, run.output};
  }
  int RowCount() const {
    return source_->Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt();
  }

  std::unique_ptr<test::TestDataSource> source_;
};

}  // namespace kelvatrix

QTEST_GUILESS_MAIN(kelvatrix::StartupEndToEnd)
#include "startup_e2e_test.moc"
