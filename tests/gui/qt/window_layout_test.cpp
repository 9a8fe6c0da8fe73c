#include <QFontInfo>
#include <QLineEdit>
#include <QSplitterHandle>
#include <QTest>

#include <memory>

#include "meter_runs.h"
#include "window_rig.h"

namespace kelvatrix {

// The window as the operator sees it, offscreen.
class WindowLayoutTest : public QObject, protected test::WindowRig {
  Q_OBJECT

 private slots:
  void init() {
    source_ = std::make_unique<test::TestDataSource>();
    dialogs_.Clear();
    OpenWindow("Kelvatrix-layout-test");
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }
  void cleanup() { CloseAll(); }

  void panelsChartsAndButtonsSitWhereTheDesignPutsThem() {
    QCOMPARE(window_->size(), QSize(822, 546));
    QCOMPARE(Child("Panel2")->geometry(), QRect(0, 505, 822, 41));
    QCOMPARE(Child("Panel1")->geometry(), QRect(0, 0, 209, 505));
    QCOMPARE(window_->Splitter1().handleWidth(), 1);
    QCOMPARE(Child("Panel3")->geometry(), QRect(210, 0, 612, 505));
    QCOMPARE(window_->DataGrid1().geometry(), QRect(1, 1, 207, 503));
    QCOMPARE(window_->Chart1().geometry(), QRect(2, 2, 608, 247));
    QCOMPARE(window_->Chart2().geometry(), QRect(2, 249, 608, 224));
    QCOMPARE(Child("Panel4")->geometry(), QRect(2, 473, 608, 30));
    QCOMPARE(window_->Label1()->pos(), QPoint(8, 16));

    const struct {
      RoundButton* button;
      const char* name;
      QString caption;
      QRect bounds;
    } buttons[] = {
        {window_->DownloadButton(), "RoundButton1", "Download", {168, 4, 97, 34}},
        {window_->SaveButton(), "saveb", "Save as...", {303, 4, 98, 34}},
        {window_->PrintDataButton(), "printdatab", "Print Data", {464, 4, 97, 34}},
        {window_->PrintGraphButton(), "RoundButton3", "Print Graph ", {608, 4, 97, 34}},
    };
    for (const auto& expected : buttons) {
      QCOMPARE(expected.button->objectName(), QString::fromLatin1(expected.name));
      QCOMPARE(expected.button->text(), expected.caption);
      QCOMPARE(expected.button->geometry(), expected.bounds);
      QCOMPARE(expected.button->Color(), QColor(0, 128, 128));
      QCOMPARE(expected.button->palette().color(QPalette::ButtonText), QColor(Qt::white));
      QCOMPARE(expected.button->font().pixelSize(), 11);
    }

    QCOMPARE(window_->font().pixelSize(), 11);
    QVERIFY(window_->windowIcon().availableSizes().contains(QSize(128, 128)));
    qInfo("window font: %s; Resistance column %d px",
          qPrintable(QFontInfo(window_->font()).family()), window_->DataGrid1().columnWidth(4));
  }

  void gridShowsItsTitlesOverNoRows() {
    const QAbstractItemModel& model = *window_->DataGrid1().model();
    QStringList titles;
    for (int i = 0; i < model.columnCount(); ++i)
      titles << model.headerData(i, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({"recno", "times(s)", "voltage", "unit", "Resistance", "unit"}));
    QCOMPARE(model.rowCount(), 0);
  }

  void aTallerWiderWindowKeepsTheChartHeightsAndOpensABandBetweenThem() {
    window_->resize(1000, 800);
    QTRY_COMPARE(Child("Panel2")->geometry(), QRect(0, 759, 1000, 41));
    QCOMPARE(Child("Panel1")->width(), 209);
    QCOMPARE(Child("Panel3")->geometry(), QRect(210, 0, 790, 759));
    QCOMPARE(window_->Chart1().geometry(), QRect(2, 2, 786, 247));
    QCOMPARE(window_->Chart2().geometry(), QRect(2, 759 - 2 - 30 - 224, 786, 224));
    QCOMPARE(Child("Panel4")->geometry(), QRect(2, 759 - 2 - 30, 786, 30));
    QCOMPARE(window_->DownloadButton()->pos(), QPoint(168, 4));
  }

  void tabGoesFromSaveAsToPrintGraphThenPrintData() {
    window_->DownloadButton()->setFocus(Qt::OtherFocusReason);
    QWidget* expected[] = {window_->SaveButton(), window_->PrintGraphButton(),
                           window_->PrintDataButton()};
    for (QWidget* next : expected) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), window_->PrintGraphButton());
  }

  void splitterDragStaysWithinItsLimits_data() {
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("gridPane");
    QTest::newRow("anywhere between") << 120 << 120;
    QTest::newRow("just wide enough") << 31 << 31;
    QTest::newRow("30 closes the grid pane") << 30 << 0;
    QTest::newRow("narrower closes it too") << 5 << 0;
    QTest::newRow("the chart pane keeps 30") << 900 << 822 - 1 - 30;
  }
  void splitterDragStaysWithinItsLimits() {
    QFETCH(int, requested);
    QFETCH(int, gridPane);
    QSplitterHandle* handle = window_->Splitter1().handle(1);
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(0, 100));
    const QPoint to(requested - handle->x(), 100);
    QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     {});
    QCoreApplication::sendEvent(handle, &move);
    // Nothing moves until the button is released.
    QCOMPARE(Child("Panel1")->width(), 209);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, to);
    QCOMPARE(window_->Splitter1().GridPaneWidth(), gridPane);
    QCOMPARE(window_->Splitter1().sizes().value(1), 822 - 1 - gridPane);
  }

  void indicatorFollowsPluggingAndUnplugging() {
    QCOMPARE(window_->Label1()->text(), QStringLiteral("disconnect!"));
    QTRY_COMPARE_WITH_TIMEOUT(window_->Label1()->text(), QStringLiteral("Disconnect!"), 2500);
    meter_ = std::make_unique<VirtualMeter>(bus_, test::RisingMeterRun(3));
    QTRY_COMPARE_WITH_TIMEOUT(window_->Label1()->text(), QStringLiteral("Connect ok!"), 2500);
    meter_.reset();
    QTRY_COMPARE_WITH_TIMEOUT(window_->Label1()->text(), QStringLiteral("Disconnect!"), 2500);
  }

  void anEditAfterADownloadReachesTheTableButNotTheCharts() {
    meter_ = std::make_unique<VirtualMeter>(bus_, test::RisingMeterRun(5));
    QTRY_VERIFY_WITH_TIMEOUT(window_->Logic().DevConnected(), 5000);
    QTest::mouseClick(window_->DownloadButton(), Qt::LeftButton);
    DataGrid& grid = window_->DataGrid1();
    QTRY_COMPARE(grid.model()->rowCount(), 5);
    QCOMPARE(grid.currentIndex().row(), 4);

    grid.setFocus(Qt::MouseFocusReason);
    grid.setCurrentIndex(grid.model()->index(2, 4));
    QTest::keyClick(&grid, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "12.5");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!grid.Editing());

    // Going to the command bar leaves the grid: the row is posted.
    QTest::mouseClick(window_->SaveButton(), Qt::LeftButton);
    const auto rows =
        source_->Query(QStringLiteral("SELECT \"register\" FROM savedata ORDER BY rowid"));
    QCOMPARE(rows.size(), size_t(5));
    QCOMPARE(rows[2][0].toString(), QStringLiteral("12.5"));
    QCOMPARE(rows[3][0].toString(), QStringLiteral("40"));
    QCOMPARE(window_->Chart2().Chart().Points()[2].y, 30.0);
  }

 private:
  QWidget* Child(const char* name) const {
    return window_->findChild<QWidget*>(QString::fromLatin1(name));
  }
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::WindowLayoutTest)
#include "window_layout_test.moc"
