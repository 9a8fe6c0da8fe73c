#include <QTest>

#include "gui/qt/qt_main_window.h"
#include "gui/qt/qt_message_loop.h"
#include "hid/backends/virtual/virtual_hid_bus.h"
#include "platform/scripted_dialogs.h"
#include "test_data_source.h"

namespace kelvatrix {

class MissingDriverTest : public QObject {
  Q_OBJECT

 private slots:
  void missingDriverIsShownInTheStandardErrorBoxAndTheWindowOpens() {
    test::TestDataSource source;
    StartupSettings settings{"Kelvatrix-driver-test", source.Settings()};
    settings.dataSource.driver = (source.Dir() + QStringLiteral("/libmissing-odbc.so")).toStdString();
    ScriptedDialogs dialogs;
    QtMessageLoop loop;
    VirtualHidBus bus;
    QtMainWindow window(settings, dialogs, loop, bus.Backend());

    QCOMPARE(window.Logic().RunFormCreate(), MainWindow::StartupOutcome::Failed);

    QCOMPARE(dialogs.Shown().size(), size_t(1));
    QVERIFY2(QString::fromStdString(dialogs.Shown()[0].text).contains(QStringLiteral("Data source name not found")) ||
                 QString::fromStdString(dialogs.Shown()[0].text).contains(QStringLiteral("libmissing-odbc.so")),
             dialogs.Shown()[0].text.c_str());
    QCOMPARE(dialogs.Shown()[0].flags, 16);
    QVERIFY(!window.Logic().Table1().Active());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
  }
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::MissingDriverTest)
#include "missing_driver_test.moc"
