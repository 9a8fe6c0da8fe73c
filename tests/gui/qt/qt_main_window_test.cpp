// The main window on Qt: what the skin shows of the window's logic (its title, place,
// status text, the indicator's timer) and that a start-up that failed still opens it.
#include "gui/qt/qt_main_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "app/window_placement.h"
#include "database_locker.h"
#include "gui/qt/qt_message_loop.h"
#include "hid/backends/virtual/virtual_hid_bus.h"
#include "platform/scripted_dialogs.h"
#include "test_data_source.h"

namespace kelvatrix {

class QtMainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    source_ = std::make_unique<test::TestDataSource>();
    dialogs_.Clear();
  }
  void cleanup() { source_.reset(); }

  void theWindowIsCentredTitledAndShowsTheIndicator() {
    QtMainWindow window(Settings(), dialogs_, loop_, bus_.Backend());
    QCOMPARE(window.Logic().RunFormCreate(), MainWindow::StartupOutcome::Started);
    QCOMPARE(window.windowTitle(), QStringLiteral("Kelvatrix V1.06"));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(window.Label1()->text(), QStringLiteral("disconnect!"));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(window.pos(), QPoint(CentredEdge(screen.width(), 830), CentredEdge(screen.height(), 580)));
    QVERIFY(window.Timer1()->isActive());
    QCOMPARE(window.Timer1()->interval(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(window.Label1()->text(), QStringLiteral("Disconnect!"), 2500);
  }

  // Registration failed: the window stays at its design place with its design text.
  void aStartUpStoppedEarlyLeavesTheDesignedWindow() {
    StartupSettings settings = Settings();
    settings.dataSource.iniPath = (source_->Dir() + QStringLiteral("/no/such/dir/odbc.ini")).toStdString();
    QtMainWindow window(settings, dialogs_, loop_, bus_.Backend());
    QCOMPARE(window.Logic().RunFormCreate(), MainWindow::StartupOutcome::StoppedEarly);
    QCOMPARE(window.Label1()->text(), QStringLiteral("Label1"));
    QCOMPARE(window.pos(), QPoint(232, 347));
  }

  // Another program's lock fails the start-up; the window opens all the same.
  void aFailedStartUpStillOpensTheWindow() {
    test::DatabaseLocker locker(source_->DatabasePath());
    QVERIFY(locker.Locked());
    QtMainWindow window(Settings(), dialogs_, loop_, bus_.Backend());
    QCOMPARE(window.Logic().RunFormCreate(), MainWindow::StartupOutcome::Failed);
    QCOMPARE(window.Label1()->text(), QStringLiteral("disconnect!"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
  }

 private:
  std::string Title() const { return "Kelvatrix-qt-test-" + std::to_string(QCoreApplication::applicationPid()); }
  StartupSettings Settings() const { return {Title(), source_->Settings()}; }

  std::unique_ptr<test::TestDataSource> source_;
  ScriptedDialogs dialogs_;
  QtMessageLoop loop_;
  VirtualHidBus bus_;
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::QtMainWindowTest)
#include "qt_main_window_test.moc"
