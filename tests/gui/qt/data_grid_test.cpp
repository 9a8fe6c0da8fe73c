#include "gui/qt/data_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

#include "platform/scripted_dialogs.h"
#include "mouse_drag.h"
#include "test_data_source.h"
#include "gui/qt/scroll_bar_picture.h"

namespace kelvatrix {
namespace {

constexpr int kRecno = 0;
constexpr int kTimes = 1;
constexpr int kRegister = 4;

QColor Colour(const QVariant& value) { return value.value<QColor>(); }

}  // namespace

class DataGridTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    source_ = std::make_unique<test::TestDataSource>();
    table_ = std::make_unique<MeasurementTable>("kelvatrix");
    table_->Reset();
    dialogs_.Clear();
    window_ = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window_.get());
    model_ = std::make_unique<GridModel>(*table_, MeasurementGridColumns(), dialogs_, "Kelvatrix");
    grid_ = new DataGrid(*model_, window_.get());
    elsewhere_ = new QPushButton(QStringLiteral("elsewhere"), window_.get());
    layout->addWidget(grid_);
    layout->addWidget(elsewhere_);
    window_->resize(400, 300);
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    grid_->setFocus();
  }
  void cleanup() {
    window_.reset();
    model_.reset();
    table_.reset();
    source_.reset();
  }

  void columnsShowTheirTitlesWidthsAndColours() {
    QAbstractItemModel& model = *grid_->model();
    const QStringList titles = {"recno", "times(s)", "voltage", "unit", "Resistance", "unit"};
    QCOMPARE(model.columnCount(), titles.size());
    for (int i = 0; i < titles.size(); ++i) {
      QCOMPARE(model.headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(), titles[i]);
      QCOMPARE(QString::fromStdString(model_->TitleCaption(i)), titles[i]);
      QVERIFY(!grid_->isColumnHidden(i));
    }
    QCOMPARE(model.rowCount(), 0);
    const int zero = QFontMetrics(grid_->font()).horizontalAdvance(QLatin1Char('0'));
    const QList<int> widths = {37, 47, 38, 23, zero * 16 + 4, 70};
    for (int i = 0; i < widths.size(); ++i) QCOMPARE(grid_->columnWidth(i), widths[i]);
    QVERIFY(!model_->Columns()[5].autoFitColWidth);
    QCOMPARE(model_->FooterRowCount(), 0);

    AppendRow(0, "1", "3");
    const QColor desktop = grid_->palette().color(QPalette::Base);
    const Rgb expected = DesktopColour();
    QCOMPARE(desktop, QColor(expected.red, expected.green, expected.blue));
    QCOMPARE(Colour(model.index(0, kTimes).data(Qt::BackgroundRole)), QColor(0, 128, 128));
    QCOMPARE(Colour(model.index(0, kTimes).data(Qt::ForegroundRole)), QColor(Qt::white));
    QCOMPARE(Colour(model.headerData(kTimes, Qt::Horizontal, Qt::BackgroundRole)), QColor(0, 128, 0));
    QCOMPARE(Colour(model.headerData(kTimes, Qt::Horizontal, Qt::ForegroundRole)), QColor(Qt::white));
    QCOMPARE(Colour(model.index(0, 3).data(Qt::ForegroundRole)), QColor(255, 255, 0));
    QCOMPARE(Colour(model.index(0, 5).data(Qt::ForegroundRole)), QColor(255, 255, 0));
    QCOMPARE(Colour(model.index(0, 2).data(Qt::ForegroundRole)), QColor(Qt::white));
    // Cells without a colour of their own lie on the grid's desktop colour.
    for (const int column : {0, 2, 3, 4, 5}) QVERIFY(!model.index(0, column).data(Qt::BackgroundRole).isValid());
    QVERIFY(!model.index(0, kRecno).data(Qt::ForegroundRole).isValid());
  }

  void draggingATitleBorderWidensOnlyThatColumn() {
    QHeaderView* titles = grid_->horizontalHeader();
    QList<int> before;
    for (int i = 0; i < 6; ++i) before << grid_->columnWidth(i);
    const QPoint border(titles->sectionViewportPosition(2) + titles->sectionSize(2) - 1, titles->height() / 2);
    test::DragMouse(titles->viewport(), Qt::LeftButton, border, border + QPoint(25, 0));
    for (int i = 0; i < 6; ++i) QCOMPARE(grid_->columnWidth(i), before[i] + (i == 2 ? 25 : 0));
  }

  void titleOfAColumnFallsBackToItsFieldName() {
    GridColumn labelled;
    labelled.fieldName = "register";
    GridColumn unknown;
    unknown.fieldName = "humidity";
    const FieldLookup fields = GridModel::TableFields();
    QCOMPARE(ResolvedTitleCaption(labelled, fields), std::string("register"));
    QCOMPARE(ResolvedTitleCaption(unknown, fields), std::string("humidity"));
    labelled.title.caption = "Resistance";
    QCOMPARE(ResolvedTitleCaption(labelled, fields), std::string("Resistance"));
    QCOMPARE(DefaultColumnWidth(6, 0, std::nullopt), 64);
    QCOMPARE(DefaultColumnWidth(7, 1, 10), 6 * 10 + 1 + 4);
  }

  void gridFollowsAppendedRowsAndEmptiesOnReset() {
    for (int i = 0; i < 3; ++i) {
      AppendRow(i, "1", "3");
      QCOMPARE(grid_->model()->rowCount(), i + 1);
      QCOMPARE(grid_->currentIndex().row(), i);
      QCOMPARE(grid_->model()->headerData(i, Qt::Vertical, DataGridModel::kIndicatorRole).toInt(),
               static_cast<int>(GridModel::Indicator::Current));
    }
    table_->Reset();
    QCOMPARE(grid_->model()->rowCount(), 0);
  }

  void anEditReachesTheTableWhenTheRowIsLeftAndChangesOnlyThatRow() {
    // Three equal rows: only the edited one may change.
    for (int i = 0; i < 3; ++i) AppendRow(5, "1", "3");
    TypeIntoCell(1, kRegister, "77.5");
    QCOMPARE(table_->CurrentState(), MeasurementTable::State::Edit);
    QCOMPARE(StoredRegisters(), QStringList({"3", "3", "3"}));

    QTest::keyClick(grid_, Qt::Key_Down);

    QCOMPARE(table_->CurrentState(), MeasurementTable::State::Browse);
    QCOMPARE(table_->CurrentRow(), 2);
    QCOMPARE(StoredRegisters(), QStringList({"3", "77.5", "3"}));
  }

  void leavingTheGridPostsTheEdit() {
    AppendRow(0, "1", "3");
    TypeIntoCell(0, kTimes, "42");
    elsewhere_->setFocus(Qt::TabFocusReason);
    QCOMPARE(source_->Query(QStringLiteral("SELECT times FROM savedata"))[0][0].toString(), QStringLiteral("42"));
  }

  void escapeTakesAChangeBack() {
    AppendRow(0, "1", "3");
    TypeIntoCell(0, kRegister, "9");
    QTest::keyClick(grid_, Qt::Key_Escape);
    QCOMPARE(table_->CurrentState(), MeasurementTable::State::Browse);
    QCOMPARE(grid_->model()->index(0, kRegister).data().toString(), QStringLiteral("3"));
    QCOMPARE(StoredRegisters(), QStringList({"3"}));
  }

  void deleteAsksFirstAndRemovesOnlyTheCurrentRow() {
    AppendRow(0, "1", "3");
    AppendRow(0, "1", "3");
    AppendRow(2, "3", "5");
    grid_->setCurrentIndex(grid_->model()->index(1, kRecno));

    dialogs_.QueueAnswer(box::kResultCancel);
    QTest::keyClick(grid_, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(dialogs_.Shown()[0].text, std::string("Delete record?"));
    QCOMPARE(dialogs_.Shown()[0].flags, box::kConfirm);
    QCOMPARE(table_->RecordCount(), 3);

    QTest::keyClick(grid_, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(dialogs_.Shown().size(), size_t(2));
    QCOMPARE(table_->RecordCount(), 2);
    QCOMPARE(grid_->model()->rowCount(), 2);
    QCOMPARE(StoredRegisters(), QStringList({"3", "5"}));
    QCOMPARE(table_->CurrentRow(), 1);
  }

  void insertAndAppendAddRowsThatArePostedOnlyWhenFilledIn() {
    AppendRow(0, "1", "3");
    AppendRow(1, "2", "4");

    // Insert before the second row, fill it in, move on: it is written once.
    grid_->setCurrentIndex(grid_->model()->index(1, kRegister));
    QTest::keyClick(grid_, Qt::Key_Insert);
    QCOMPARE(grid_->model()->rowCount(), 3);
    QCOMPARE(grid_->model()->headerData(1, Qt::Vertical, DataGridModel::kIndicatorRole).toInt(),
             static_cast<int>(GridModel::Indicator::Inserting));
    TypeIntoCell(1, kRegister, "8");
    QTest::keyClick(grid_, Qt::Key_Up);
    QCOMPARE(grid_->model()->index(1, kRegister).data().toString(), QStringLiteral("8"));
    table_->Refresh();
    QCOMPARE(table_->RecordCount(), 3);
    QCOMPARE(StoredRegisters(), QStringList({"3", "4", "8"}));

    // Down on the last row appends; left empty, the new row goes away again.
    grid_->setCurrentIndex(grid_->model()->index(2, kRegister));
    QTest::keyClick(grid_, Qt::Key_Down);
    QCOMPARE(grid_->model()->rowCount(), 4);
    QCOMPARE(table_->CurrentState(), MeasurementTable::State::Insert);
    QTest::keyClick(grid_, Qt::Key_Up);
    QCOMPARE(grid_->model()->rowCount(), 3);
    QCOMPARE(StoredRegisters().size(), 3);
  }

  // The operator's text stays in the editor to be corrected; the row is not touched until
  // the text is one the field takes.
  void aWrongIntegerIsReportedAndKeptForCorrecting() {
    AppendRow(4, "1", "3");
    grid_->setCurrentIndex(grid_->model()->index(0, kRecno));
    QTest::keyClick(grid_, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("four"));
    QTest::keyClick(editor, Qt::Key_Return);

    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(dialogs_.Shown()[0].text, std::string("'four' is not a valid integer value."));
    QCOMPARE(dialogs_.Shown()[0].caption, std::string("Kelvatrix"));
    QVERIFY(grid_->Editing());
    QCOMPARE(editor->text(), QStringLiteral("four"));
    QCOMPARE(editor->selectedText(), QStringLiteral("four"));
    QCOMPARE(table_->CurrentState(), MeasurementTable::State::Browse);

    QTest::keyClicks(editor, QStringLiteral("7"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!grid_->Editing());
    elsewhere_->setFocus(Qt::TabFocusReason);
    QCOMPARE(source_->Query(QStringLiteral("SELECT recno FROM savedata"))[0][0].toInt(), 7);
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
  }

  // A download's rows are shown together every 100 ms; meanwhile the arrow stands on the
  // last row shown, never on no row at all.
  void theCurrentRowArrowStaysOnTheLastShownRow() {
    AppendRow(0, "1", "3");
    for (int i = 1; i <= 5; ++i) {
      table_->Append();
      table_->SetField("recno", static_cast<long long>(i));
      table_->Post();
      table_->Refresh();
      table_->Last();
    }
    const int shown = grid_->model()->rowCount();
    QVERIFY2(shown < table_->RecordCount(), "rows are held back");
    const auto arrowAt = [&](int row) {
      return grid_->model()->headerData(row, Qt::Vertical, DataGridModel::kIndicatorRole).toInt() ==
             static_cast<int>(GridModel::Indicator::Current);
    };
    QVERIFY(arrowAt(shown - 1));
    QTRY_COMPARE(grid_->model()->rowCount(), table_->RecordCount());
    QVERIFY(arrowAt(table_->RecordCount() - 1));
    QVERIFY(!arrowAt(shown - 1));
  }

  // The scroll bar is painted from a picture while its look stays the same (rows added
  // below a slider already at its least length); a moved slider is drawn anew, and looks
  // as the plain style draws it.
  void scrollBarIsDrawnAnewOnlyWhenItsLookChanges() {
    source_->InsertRun(3000, QStringLiteral("M"));
    table_->Refresh();
    table_->Last();
    QTRY_COMPARE(grid_->model()->rowCount(), table_->RecordCount());
    QScrollBar* bar = grid_->verticalScrollBar();
    QTRY_VERIFY(bar->isVisible() && bar->height() > 100);  // laid out
    auto* picture = dynamic_cast<ScrollBarPicture*>(bar->style());
    QVERIFY(picture);
    QCOMPARE(bar->value(), bar->maximum());
    const QImage atBottom = bar->grab().toImage();
    const int drawn = picture->Drawn();

    source_->InsertRun(500, QStringLiteral("M"));
    table_->Refresh();
    table_->Last();  // as a download does: the grid follows to the last row
    QTRY_COMPARE(grid_->model()->rowCount(), table_->RecordCount());
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(bar->grab().toImage(), atBottom);
    QCOMPARE(picture->Drawn(), drawn);

    bar->setValue(0);
    const QImage atTop = bar->grab().toImage();
    QCOMPARE(picture->Drawn(), drawn + 1);
    QVERIFY(atTop != atBottom);
    bar->setStyle(QApplication::style());
    QCOMPARE(bar->grab().toImage(), atTop);
  }

  // Tab moves from cell to cell; Ctrl+Tab and Ctrl+Shift+Tab leave the grid, from a cell
  // or from an open editor (whose text is kept), so the buttons can be reached without a
  // mouse.
  void ctrlTabLeavesTheGrid() {
    auto* before = new QPushButton(QStringLiteral("before"), window_.get());
    window_->layout()->addWidget(before);
    QWidget::setTabOrder(before, grid_);
    QWidget::setTabOrder(grid_, elsewhere_);
    AppendRow(0, "1", "3");
    AppendRow(1, "2", "4");
    grid_->setFocus();
    grid_->setCurrentIndex(grid_->model()->index(0, kTimes));
    QTest::keyClick(grid_, Qt::Key_Tab);
    QVERIFY(grid_->hasFocus());
    QCOMPARE(grid_->currentIndex().column(), kTimes + 1);

    QTest::keyClick(grid_, Qt::Key_Tab, Qt::ControlModifier);
    QVERIFY(elsewhere_->hasFocus());
    grid_->setFocus();
    QTest::keyClick(grid_, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(before->hasFocus());

    grid_->setFocus();
    grid_->setCurrentIndex(grid_->model()->index(1, kRegister));
    QTest::keyClicks(grid_, "7");
    QVERIFY(grid_->Editing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    QVERIFY(elsewhere_->hasFocus());
    QVERIFY(!grid_->Editing());
    QCOMPARE(table_->Value(1, kRegister), OdbcText("7"));
  }

 private:
  void AppendRow(long long recno, const std::string& times, const std::string& resistance) {
    table_->Append();
    table_->SetField("times", times);
    table_->SetField("recno", recno);
    table_->SetField("register", resistance);
    table_->Post();
    table_->Refresh();
    table_->Last();
    // Rows arriving quickly are shown together.
    QTRY_COMPARE(grid_->model()->rowCount(), table_->RecordCount());
  }

  // Types `text` over a cell's contents and presses Enter, as an operator would.
  void TypeIntoCell(int row, int column, const QString& text) {
    const QModelIndex cell = grid_->model()->index(row, column);
    grid_->setCurrentIndex(cell);
    QTest::keyClick(grid_, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor hands its text over from the event queue.
    QTRY_VERIFY(!grid_->Editing());
  }

  QStringList StoredRegisters() const {
    QStringList values;
    for (const auto& row : source_->Query(QStringLiteral("SELECT \"register\" FROM savedata ORDER BY rowid"))) {
      values << row[0].toString();
    }
    return values;
  }

  std::unique_ptr<test::TestDataSource> source_;
  std::unique_ptr<MeasurementTable> table_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<GridModel> model_;
  std::unique_ptr<QWidget> window_;
  DataGrid* grid_ = nullptr;
  QPushButton* elsewhere_ = nullptr;
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::DataGridTest)
#include "data_grid_test.moc"
