#include "app/main_window.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <sys/fsuid.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "app/qt_message_loop.h"
#include "app/window_placement.h"
#include "hid/backends/virtual/virtual_hid_bus.h"
#include "database_locker.h"
#include "platform/scripted_dialogs.h"
#include "test_data_source.h"

namespace kelvatrix {

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    source_ = std::make_unique<test::TestDataSource>();
    dialogs_.Clear();
  }
  void cleanup() { source_.reset(); }

  void startUpRunsEveryStepAndEmptiesTheTable() {
    LeaveRowsOfAnEarlierRun();
    MainWindow window(Settings(), dialogs_, loop_, bus_.Backend());

    QCOMPARE(window.RunFormCreate(), MainWindow::StartupOutcome::Started);

    QVERIFY(dialogs_.Shown().empty());
    QCOMPARE(window.windowTitle(), QStringLiteral("Kelvatrix V1.06"));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(window.Label1()->text(), QStringLiteral("disconnect!"));
    QVERIFY(window.Table1().Active());
    QVERIFY(window.Table1().IsEmpty());
    QCOMPARE(source_->Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt(), 0);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(window.pos(), QPoint(CentredEdge(screen.width(), 830), CentredEdge(screen.height(), 580)));

    QVERIFY(window.Timer1()->isActive());
    QCOMPARE(window.Timer1()->interval(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(window.Label1()->text(), QStringLiteral("Disconnect!"), 2500);
  }

  void secondInstanceIsRefusedAndTouchesNothing() {
    LeaveRowsOfAnEarlierRun();
    InstanceGuard running;
    QVERIFY(running.Acquire(Title()));
    StartupSettings settings = Settings();
    settings.dataSource.currentDirectory = (source_->Dir() + QStringLiteral("/elsewhere")).toStdString();
    const QByteArray iniBefore = ReadIni();
    MainWindow window(settings, dialogs_, loop_, bus_.Backend());

    QCOMPARE(window.RunFormCreate(), MainWindow::StartupOutcome::Refused);

    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(dialogs_.Shown()[0].text, std::string("sorry, this program only run one instance at a time!"));
    QCOMPARE(dialogs_.Shown()[0].caption, Title());
    QCOMPARE(dialogs_.Shown()[0].flags, 0);
    QCOMPARE(ReadIni(), iniBefore);
    QVERIFY(!window.Table1().Active());
    QCOMPARE(source_->Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt(), 1);
  }

  void registrationFailureStopsStartUpButTheWindowStillWorks() {
    StartupSettings settings = Settings();
    settings.dataSource.iniPath = (source_->Dir() + QStringLiteral("/no/such/dir/odbc.ini")).toStdString();
    MainWindow window(settings, dialogs_, loop_, bus_.Backend());

    QCOMPARE(window.RunFormCreate(), MainWindow::StartupOutcome::StoppedEarly);

    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(dialogs_.Shown()[0].caption, std::string("Error Information"));
    QCOMPARE(dialogs_.Shown()[0].text,
             std::string("Register file operation fail\rPlease check up your operation system"));
    QCOMPARE(dialogs_.Shown()[0].flags, 16);
    QCOMPARE(window.Label1()->text(), QStringLiteral("Label1"));
    QCOMPARE(window.pos(), QPoint(232, 347));
    QVERIFY(!window.Table1().Active());
    window.Timer1Timer();
    QCOMPARE(window.Label1()->text(), QStringLiteral("Disconnect!"));
  }

  void lockedDatabaseIsShownInTheStandardErrorBox() {
    LeaveRowsOfAnEarlierRun();
    test::DatabaseLocker locker(source_->DatabasePath());
    QVERIFY(locker.Locked());
    MainWindow window(Settings(), dialogs_, loop_, bus_.Backend());

    QCOMPARE(window.RunFormCreate(), MainWindow::StartupOutcome::Failed);

    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    const ShownMessage& shown = dialogs_.Shown()[0];
    QVERIFY2(QString::fromStdString(shown.text).contains(QStringLiteral("database is locked")),
             shown.text.c_str());
    QCOMPARE(shown.text, StandardErrorText(window.StartupError()));
    QCOMPARE(shown.caption, Title());
    QCOMPARE(shown.flags, 16);
    // The steps before the failing one ran; the window opens all the same.
    QCOMPARE(window.Label1()->text(), QStringLiteral("disconnect!"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
  }

  // Started in a folder the user may not write, the database cannot be made: the error
  // names the file and the reason, and Download refuses with it rather than run a
  // download whose rows go nowhere. As root, start-up and Download run with another
  // user's file permissions (root may write any folder).
  void aDatabaseThatCannotBeOpenedIsNamedAndDownloadRefuses() {
    const QString folder = source_->Dir() + QStringLiteral("/locked");
    QVERIFY(QDir().mkpath(folder));
    StartupSettings settings = Settings();
    settings.applicationTitle +=
        "-locked-folder";  // a guard file of its own, which the other user may make
    settings.dataSource.currentDirectory = folder.toStdString();
    QVERIFY(RegisterDataSource(settings.dataSource, dialogs_));
    const bool root = geteuid() == 0;
    if (root) {
      // The test's files become the other user's own, as a user's files are; the folder
      // stays root's.
      for (const auto& entry :
           std::filesystem::recursive_directory_iterator(source_->Dir().toStdString()))
        QCOMPARE(lchown(entry.path().c_str(), kOtherUser, kOtherUser), 0);
      QCOMPARE(lchown(source_->Dir().toLocal8Bit().constData(), kOtherUser, kOtherUser), 0);
      QCOMPARE(lchown(folder.toLocal8Bit().constData(), 0, 0), 0);
    }
    QVERIFY(QFile::setPermissions(
        folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    VirtualDeviceConfig meter;
    meter.vendorId = 0x1234;
    meter.productId = 0x5678;
    const std::uint32_t plugged = bus_.Plug(meter);
    MainWindow window(settings, dialogs_, loop_, bus_.Backend());
    dialogs_.Clear();
    if (root) {
      setfsgid(kOtherUser);
      setfsuid(kOtherUser);
    }
    const MainWindow::StartupOutcome outcome = window.RunFormCreate();
    QTest::qWait(0);
    const bool found = QTest::qWaitFor([&] { return window.DevConnected(); }, 5000);
    const DownloadResult download = window.RoundButton1Click();
    if (root) {
      setfsuid(0);
      setfsgid(0);
    }
    bus_.Unplug(plugged);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const std::string expected =
        "The database " + folder.toStdString() + "/kelvatrix.db cannot be opened: the folder " +
        folder.toStdString() +
        " may not be written to (Permission denied).\rReadings cannot be stored until this is "
        "mended.";
    QCOMPARE(outcome, MainWindow::StartupOutcome::Failed);
    QCOMPARE(window.StartupError(), expected);
    QVERIFY(found);
    QCOMPARE(download.outcome, DownloadOutcome::NoDatabase);
    QCOMPARE(dialogs_.Shown().size(), size_t(2));
    QCOMPARE(dialogs_.Shown()[0].text, expected);
    QCOMPARE(dialogs_.Shown()[1].text, expected);
    QCOMPARE(dialogs_.Shown()[1].caption, std::string("Download"));
    QCOMPARE(dialogs_.Shown()[1].flags, 16);
  }

 private:
  static constexpr uid_t kOtherUser = 65534;  // "nobody", in a group of its own
  std::string Title() const { return "Kelvatrix-test-" + std::to_string(QCoreApplication::applicationPid()); }
  StartupSettings Settings() const { return {Title(), source_->Settings()}; }
  QByteArray ReadIni() const {
    QFile ini(qEnvironmentVariable("ODBCINI"));
    return ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray();
  }
  void LeaveRowsOfAnEarlierRun() {
    MeasurementTable earlier(kDataSourceName);
    earlier.Reset();
    earlier.Append();
    earlier.SetField("recno", 0LL);
    earlier.Post();
  }

  std::unique_ptr<test::TestDataSource> source_;
  ScriptedDialogs dialogs_;
  QtMessageLoop loop_;
  VirtualHidBus bus_;
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::MainWindowTest)
#include "main_window_test.moc"
