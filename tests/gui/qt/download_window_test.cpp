#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

#include "chart_labels.h"
#include "database_locker.h"
#include "meter_runs.h"
#include "mouse_drag.h"
#include "window_rig.h"

namespace kelvatrix {
// The download through the real window, offscreen, against the simulated meter.
class DownloadWindowTest : public QObject, protected test::WindowRig {
  Q_OBJECT

 private slots:
  void init() { source_ = std::make_unique<test::TestDataSource>(); }
  void cleanup() { CloseAll(); }

  void downloadFillsTheTableAndBothCharts() {
    Start(test::RisingMeterRun(23));
    QCOMPARE(window_->Chart1().Chart().LeftRange(), std::make_pair(0.0, 6000.0));
    QCOMPARE(window_->Chart2().Chart().LeftRange(), std::make_pair(0.0, 100.0));
    QVERIFY(window_->Chart1().Chart().Points().empty());

    QTest::mouseClick(window_->DownloadButton(), Qt::LeftButton);

    QCOMPARE(window_->Logic().Table1().RecordCount(), 23);
    QCOMPARE(window_->Logic().Table1().CurrentRow(), 22);
    QCOMPARE(window_->Chart1().Chart().Points().size(), size_t(23));
    // Over-range readings have no resistance point.
    QCOMPARE(window_->Chart2().Chart().Points().size(), size_t(23 - 4));
    QCOMPARE(window_->Chart1().Chart().Points().back().x, 23.0);
    // 230 M ohm was the largest value: the axis grew to 240.
    QCOMPARE(window_->Logic().ResAxisMax(), 240.0);
    QCOMPARE(window_->Chart2().Chart().LeftRange(), std::make_pair(0.0, 240.0));
    window_->Chart1().RefreshNow();
    QCOMPARE(window_->Chart1().Chart().BottomRange(), std::make_pair(1.0, 23.0));
    QCOMPARE(window_->Chart1().Chart().DrawnPoints(), 23);
    QTRY_COMPARE_WITH_TIMEOUT(window_->Label1()->text(), QStringLiteral("Connect ok!"), 2500);
  }

  // Another HID device comes and goes after every fetch: every change gives the meter back
  // and claims it anew, right while its reply is on the way. No reply may be lost.
  void unrelatedDevicesComingAndGoingMidDownloadLoseNothing() {
    MeterRun run = test::RisingMeterRun(60);
    run.hotplugEvery = 1;
    Start(run);
    const int changesBefore = window_->Logic().Selection().DeviceChanges();
    const DownloadResult result = window_->Logic().RoundButton1Click();
    QCOMPARE(result.outcome, DownloadOutcome::EndMarker);
    QCOMPARE(result.readings, 60);
    QCOMPARE(window_->Logic().Table1().RecordCount(), 60);
    QVERIFY(window_->Logic().Selection().DeviceChanges() - changesBefore >= 20);
    QVERIFY(window_->Logic().DevConnected());
  }

  // The resistance axis grows with the download; on the window's chart every label of the
  // range it ends with shows in full, the top one included.
  void resistanceLabelsShowInFullAfterTheAxisGrew_data() {
    QTest::addColumn<int>("peak");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("peak 170, axis 0-180")
        << 170 << QStringList{"0", "20", "40", "60", "80", "100", "120", "140", "160", "180"};
    QTest::newRow("peak 440, axis 0-450")
        << 440 << QStringList{"0", "50", "100", "150", "200", "250", "300", "350", "400", "450"};
  }
  void resistanceLabelsShowInFullAfterTheAxisGrew() {
    QFETCH(int, peak);
    QFETCH(QStringList, labels);
    MeterRun run;
    for (const int mantissa : {50, 100, peak / 2, peak}) {
      run.readings.push_back({0x01, 0xF4, static_cast<std::uint8_t>(mantissa >> 8),
                              static_cast<std::uint8_t>(mantissa)});
    }
    Start(run);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    window_->Logic().RoundButton1Click();
    QCOMPARE(window_->Chart2().Chart().LeftRange(), std::make_pair(0.0, peak + 10.0));
    LineChart& chart = window_->Chart2().Chart();
    chart.Refresh();
    QCoreApplication::processEvents();
    QStringList shown;
    for (const test::ShownLabel& label : test::LeftLabelsShown(chart)) shown << QString::fromStdString(label.text);
    QCOMPARE(shown, labels);
  }

  // A meter the user may not open for reading and writing is found (its identity comes
  // without access), but a download would only meet silence: the operator is told why.
  void aMeterThatCannotBeOpenedIsSaidSo() {
    VirtualDeviceConfig locked;
    locked.vendorId = 0x1234;
    locked.productId = 0x5678;
    locked.open = VirtualOpen::NoAccessOnly;
    const std::uint32_t devInst = bus_.Plug(locked);
    OpenWindow("Kelvatrix-download-test");
    QTRY_VERIFY_WITH_TIMEOUT(window_->Logic().DevConnected(), 5000);
    dialogs_.Clear();
    QCOMPARE(window_->Logic().RoundButton1Click().outcome, DownloadOutcome::NoAccess);
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(dialogs_.Shown()[0].caption, std::string("Download Error"));
    QVERIFY2(QString::fromStdString(dialogs_.Shown()[0].text)
                 .startsWith(QStringLiteral("The meter was found at virtual-hid:")),
             dialogs_.Shown()[0].text.c_str());
    QVERIFY(QString::fromStdString(dialogs_.Shown()[0].text)
                .contains(QStringLiteral("cannot be opened for reading and writing")));
    window_.reset();
    bus_.Unplug(devInst);  // the bus serves the next tests too
  }

  // A download that ends before the meter's end of run is not passed off as the whole
  // run: the operator is told how many readings are stored and why it stopped.
  void aDownloadCutShortIsReported_data() {
    QTest::addColumn<QString>("run");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("text");
    const QString six = QStringLiteral(
        "81 F4 41 2C\n01 F4 A0 FA\n02 58 13 FF\n0F FF 63 FF\n01 F4 00 64\n01 F4 00 65\n");
    QTest::newRow("meter falls silent") << "@silent-after 2\n" + six << 4
                                        << "The meter stopped answering after 4 readings.\rThe 4 "
                                           "readings received are stored in savedata; the "
                                           "rest of the run was not downloaded.";
    QTest::newRow("meter unplugged")
        << "@unplug-after 1\n" + six << 2
        << "The meter was disconnected during the download, after 2 readings.\rThe 2 readings "
           "received are "
           "stored in savedata; the rest of the run was not downloaded.";
    QTest::newRow("reply too short")
        << "@report-bytes 4\n" + six << 1
        << "A reply of the meter was too short to hold a reading: the download stopped after 1 "
           "reading.\rThe 1 "
           "reading received is stored in savedata; the rest of the run was not downloaded.";
    QTest::newRow("handshake not answered")
        << "@handshake 00\n" + six << 3
        << "The meter did not answer the download's handshake: nothing was downloaded, and the "
           "table keeps its "
           "rows.\rCheck that the meter is switched on and not busy with a test.";
    QTest::newRow("no readings")
        << QStringLiteral("FF\n") << 0
        << "The meter holds no readings: it sent the end of its run at once.\rThe table is "
           "empty.";
  }
  void aDownloadCutShortIsReported() {
    QFETCH(QString, run);
    QFETCH(int, rows);
    QFETCH(QString, text);
    const MeterRunResult parsed = ParseMeterRun(run.toStdString());
    QVERIFY2(parsed.run, parsed.error.c_str());
    Start(*parsed.run);
    // Rows of an earlier run, which a handshake that fails must leave alone.
    source_->InsertRun(3, QStringLiteral("M ohm"));
    window_->Logic().Table1().Refresh();
    dialogs_.Clear();
    window_->Logic().RoundButton1Click();
    QCOMPARE(window_->Logic().Table1().RecordCount(), rows);
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(QString::fromStdString(dialogs_.Shown()[0].text), text);
    QCOMPARE(dialogs_.Shown()[0].caption, std::string("Download"));
    QCOMPARE(dialogs_.Shown()[0].flags, box::kError);
  }

  void aWholeRunSaysNothing() {
    Start(test::RisingMeterRun(7));
    dialogs_.Clear();
    QCOMPARE(window_->Logic().RoundButton1Click().readings, 7);
    QVERIFY(dialogs_.Shown().empty());
  }

  // Closing the window during a download ends it at once; the rows stored stay.
  void closingTheWindowEndsTheDownload() {
    Start(test::RisingMeterRun(400, 5));
    window_->show();
    QTimer::singleShot(300, window_.get(), [this] { window_->close(); });
    const DownloadResult result = window_->Logic().RoundButton1Click();
    QCOMPARE(result.outcome, DownloadOutcome::Stopped);
    QVERIFY2(result.readings > 0 && result.readings < 400,
             qPrintable(QString::number(result.readings)));
    QCOMPARE(source_->Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt(),
             result.readings);
    QVERIFY(dialogs_.Shown().empty());
  }

  // Another client holding the database locked for a few seconds costs no reading, and
  // the window goes on working meanwhile (its timer ticks).
  void aLockedDatabaseDelaysTheDownloadWithoutLosingAReading() {
    Start(test::RisingMeterRun(200, 5));
    std::unique_ptr<test::DatabaseLocker> locker;
    int ticks = 0;
    connect(window_->Timer1(), &QTimer::timeout, this, [&] { ++ticks; });
    QTimer::singleShot(100, this, [&] {
      locker = std::make_unique<test::DatabaseLocker>(source_->DatabasePath());
    });
    QTimer::singleShot(3500, this, [&] { locker.reset(); });
    dialogs_.Clear();
    const DownloadResult result = window_->Logic().RoundButton1Click();
    QCOMPARE(result.outcome, DownloadOutcome::EndMarker);
    QCOMPARE(result.readings, 200);
    QCOMPARE(source_->Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt(), 200);
    QVERIFY(ticks >= 2);
    QVERIFY(dialogs_.Shown().empty());
  }

  void unplugMidDownloadKeepsTheRowsSoFar() {
    MeterRun run = test::RisingMeterRun(40);
    run.unplugAfter = 3;
    Start(run);
    dialogs_.Clear();
    const DownloadResult result = window_->Logic().RoundButton1Click();
    QCOMPARE(result.outcome, DownloadOutcome::NoReply);
    QCOMPARE(result.readings, 6);
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(window_->Logic().Table1().RecordCount(), 6);
    QCOMPARE(source_->Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt(), 6);
    QVERIFY(!window_->Logic().DevConnected());
    QCOMPARE(window_->Logic().Selection().CurrentDev(), nullptr);
    QCOMPARE(window_->Logic().RoundButton1Click().outcome, DownloadOutcome::NoMeter);
    QTRY_COMPARE_WITH_TIMEOUT(window_->Label1()->text(), QStringLiteral("Disconnect!"), 2500);
  }

  void mouseZoomPanAndUndo() {
    Start(test::RisingMeterRun(50));
    window_->Logic().RoundButton1Click();
    ChartView& view = window_->Chart1();
    LineChart& chart = view.Chart();
    window_->resize(830, 580);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    chart.Refresh();
    const auto left = chart.LeftRange();
    const auto bottom = chart.BottomRange();
    const QPoint middle(view.width() / 2, view.height() / 2);

    Drag(view, Qt::LeftButton, middle, middle + QPoint(16, 40));  // 16 px is not enough
    QVERIFY(chart.Restored());
    QCOMPARE(chart.LeftRange(), left);

    Drag(view, Qt::LeftButton, middle - QPoint(60, 40), middle + QPoint(60, 40));
    QVERIFY(!chart.Restored());
    QVERIFY(chart.LeftRange().second < left.second);
    QVERIFY(chart.BottomRange().second < bottom.second);

    Drag(view, Qt::RightButton, middle, middle + QPoint(30, 0));  // pan: no new save
    const auto panned = chart.BottomRange();

    Drag(view, Qt::LeftButton, middle + QPoint(40, 40), middle - QPoint(40, 40));  // up-left
    QVERIFY(chart.Restored());
    QCOMPARE(chart.LeftRange(), left);
    QCOMPARE(chart.BottomRange(), bottom);
    QVERIFY(panned != bottom);

    chart.UndoZoom();  // nothing zoomed since: nothing changes
    QCOMPARE(chart.LeftRange(), left);
  }

 private:
  void Start(MeterRun run) { StartWithMeter("Kelvatrix-download-test", std::move(run)); }
  static void Drag(ChartView& view, Qt::MouseButton button, QPoint from, QPoint to) {
    test::DragMouse(&view, button, from, to);
  }
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::DownloadWindowTest)
#include "download_window_test.moc"
