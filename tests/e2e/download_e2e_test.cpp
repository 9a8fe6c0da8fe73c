#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

#include "decimal_comma_locale.h"
#include "pdf_reader.h"
#include "program_run.h"
#include "spreadsheet_reader.h"
#include "test_data_source.h"

namespace kelvatrix {

// `kelvatrix --batch --simulate=RUNFILE`, as a user or a script runs it, against the
// simulated meter's faults; the rows are read back through ODBC.
class DownloadEndToEnd : public QObject {
  Q_OBJECT

 private slots:
  void init() { source_ = std::make_unique<test::TestDataSource>(); }
  void cleanup() { source_.reset(); }

  void worksheetOfTheWorkedReadings() {
    const auto [code, output] = Batch("81 F4 41 2C\n01 F4 A0 FA\n02 58 13 FF\n0F FF 63 FF\n");
    QVERIFY2(code == 0, qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("download: 4 readings stored in savedata")), qPrintable(output));
    const auto rows = source_->Query(QStringLiteral(
        "SELECT recno, times, voltage, unitv, \"register\", unitr FROM savedata ORDER BY recno"));
    const QStringList expected = {"0|1|5000|V|3|M ohm", "1|2|5000|V|25|G ohm", "2|3|6000|V|----|M ohm",
                                  "3|4|40950|V|1.023|M ohm"};
    QCOMPARE(rows.size(), size_t(4));
    for (std::size_t i = 0; i < rows.size(); ++i) {
      QStringList fields;
      for (const QVariant& value : rows[i]) fields << value.toString();
      QCOMPARE(fields.join('|'), expected[static_cast<qsizetype>(i)]);
    }
  }

  void faults_data() {
    QTest::addColumn<QString>("run");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    QTest::addColumn<int>("rows");
    const QString six = QStringLiteral("81 F4 41 2C\n01 F4 A0 FA\n02 58 13 FF\n0F FF 63 FF\n01 F4 00 64\n01 F4 00 65\n");
    QTest::newRow("wrong handshake") << "@handshake 00\n" + six << 1 << "did not answer the handshake" << 0;
    QTest::newRow("empty run") << QStringLiteral("# nothing recorded\n") << 1 << "the meter sent no readings" << 0;
    QTest::newRow("one reading") << QStringLiteral("81 F4 41 2C\nFF\n01 F4 A0 FA\n") << 0 << "1 reading stored" << 1;
    QTest::newRow("unplugged after the first fetch") << "@unplug-after 1\n" + six << 1
                                                     << "the meter was disconnected after 2 readings" << 2;
    QTest::newRow("first fetch dropped") << "@drop 1\n" + six << 1 << "stopped answering after 0 readings" << 0;
    QTest::newRow("over-long reports") << "@report-bytes 255\n" + six << 0 << "6 readings stored" << 6;
    QTest::newRow("reports of one reading") << "@report-bytes 4\n" + six << 1
                                            << "too short to hold a reading; stopped after 1 reading" << 1;
    QTest::newRow("empty reports") << "@report-bytes 0\n" + six << 1 << "did not answer the handshake" << 0;
    QTest::newRow("slow meter") << "@latency 40\n" + six << 0 << "6 readings stored" << 6;
    QTest::newRow("bad run file") << QStringLiteral("81 F4 41\n") << 2 << "line 1: a reading is four" << 0;
  }

  void faults() {
    QFETCH(QString, run);
    QFETCH(int, code);
    QFETCH(QString, says);
    QFETCH(int, rows);
    const auto [exitCode, output] = Batch(run);
    QVERIFY2(exitCode == code, qPrintable(output));
    QVERIFY2(output.contains(says), qPrintable(output));
    if (code != 2) {
      QCOMPARE(source_->Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt(), rows);
    }
  }

  // The built-in run saved by the batch and read back by LibreOffice: every cell is the
  // row of savedata that any ODBC client sees.
  void savedWorksheetHoldsEveryRowOfTheTable() {
    const QString file = source_->Dir() + QStringLiteral("/built-in.xls");
    QFile(file).open(QIODevice::WriteOnly);  // an existing file is replaced
    const test::ProgramRun run = test::RunProgram(
        QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir(),
        {QStringLiteral("--batch"), QStringLiteral("--simulate"), QStringLiteral("--save-xls"), file});
    QVERIFY2(run.exitCode == 0, qPrintable(run.output));
    QVERIFY2(run.output.contains(QStringLiteral("save: 600 rows written to ") + file), qPrintable(run.output));
    std::string error;
    const auto sheet = test::ReadSheet(file.toStdString(), error);
    QVERIFY2(sheet.has_value(), error.c_str());
    const auto rows = source_->Query(QStringLiteral(
        "SELECT recno, times, voltage, unitv, \"register\", unitr FROM savedata ORDER BY rowid"));
    QCOMPARE(sheet->size(), rows.size() + 2);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const std::vector<test::SheetCell>& cells = (*sheet)[i + 2];
      QCOMPARE(cells.size(), size_t(6));
      QCOMPARE(cells[0], (test::SheetCell{rows[i][0].toString().toStdString(), false}));
      for (std::size_t f = 1; f < 6; ++f) QCOMPARE(cells[f], (test::SheetCell{rows[i][f].toString().toStdString(), true}));
    }
  }

  void aSaveThatCannotBeWrittenFailsTheBatch() {
    const QString file = source_->Dir() + QStringLiteral("/gone/run.xls");
    const test::ProgramRun run = test::RunProgram(
        QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir(),
        {QStringLiteral("--batch"), QStringLiteral("--simulate"), QStringLiteral("--save-xls=") + file});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.output.contains(QStringLiteral("download: 600 readings stored")), qPrintable(run.output));
    QVERIFY2(run.output.contains(QStringLiteral("save: cannot create a file in '")), qPrintable(run.output));
    QVERIFY(!QFile::exists(file));
  }

  // The test record of the built-in run as a script makes it: the data report and both
  // charts as PDF files, one line a job, and the run's figures.
  void batchPrintsTheReportAndBothChartsIntoPdfFiles() {
    const QString out = source_->Dir() + QStringLiteral("/printed");
    QDir().mkpath(out);
    const test::ProgramRun run = test::RunProgram(
        QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir(),
        {QStringLiteral("--batch"), QStringLiteral("--simulate"), QStringLiteral("--print-to"), out,
         QStringLiteral("--print-data"), QStringLiteral("--print-graph")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.output));
    QVERIFY2(run.output.contains(QStringLiteral("indices: 5,000 V for 600 s; R(15 s) ")), qPrintable(run.output));
    QVERIFY2(run.output.contains(QStringLiteral("print data: Insulation resistance test, 12 pages to ") + out),
             qPrintable(run.output));
    for (const QString& chart : {QStringLiteral("Chart1"), QStringLiteral("Chart2")}) {
      QVERIFY2(run.output.contains(QStringLiteral("print graph: ") + chart + QStringLiteral(", 1 page to ")),
               qPrintable(run.output));
      const test::PdfFacts facts = test::ReadPdfFacts(out + "/" + chart + ".pdf");
      QCOMPARE(facts.pages, 1);
      QVERIFY(facts.widthPt > facts.heightPt);
    }
    QCOMPARE(test::ReadPdfFacts(out + QStringLiteral("/Insulation resistance test.pdf")).pages, 12);
  }

  // The built-in run's figures, worked out by hand from its resistance curve (60 M ohm
  // rising towards 40 G ohm) and the meter's rounding: at 15 s 3.05 G ohm, at 30 s 6.01,
  // at 60 s 11.2, at 600 s 38.6; DAR 11.2 / 6.01, PI 38.6 / 11.2. They, the rows and the
  // printed summary are the same text under a locale whose decimal point is a comma.
  void theRunsFiguresAreTheSameUnderEveryLocale() {
    const QString figures = QStringLiteral(
        "indices: 5,000 V for 600 s; R(15 s) 3,050 M ohm, R(30 s) 6,010 M ohm, R(60 s) 11,200 M "
        "ohm, "
        "R(600 s) 38,600 M ohm; DAR 1.86, PI 3.45\n");
    const QString comma = QString::fromStdString(test::DecimalCommaLocale());
    QString outputs[2];
    std::vector<std::vector<QVariant>> rows[2];
    QString printed[2];
    const QString locales[2] = {QStringLiteral("C.UTF-8"), comma};
    for (int i = 0; i < 2; ++i) {
      const QString out = source_->Dir() + QStringLiteral("/printed-%1").arg(i);
      QDir().mkpath(out);
      const test::ProgramRun run = test::RunProgram(
          QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir(),
          {QStringLiteral("--batch"), QStringLiteral("--simulate"), QStringLiteral("--print-to"),
           out, QStringLiteral("--print-data")},
          60000, {QStringLiteral("LC_ALL=") + locales[i], QStringLiteral("LANG=") + locales[i]});
      QVERIFY2(run.exitCode == 0, qPrintable(run.output));
      outputs[i] = QString(run.output).replace(out, QStringLiteral("OUT"));
      rows[i] = source_->Query(QStringLiteral("SELECT * FROM savedata ORDER BY recno"));
      printed[i] = test::ReadPdfText(out + QStringLiteral("/Insulation resistance test.pdf"));
    }
    QVERIFY2(outputs[0].contains(figures), qPrintable(outputs[0]));
    QCOMPARE(outputs[1], outputs[0]);
    QCOMPARE(rows[1], rows[0]);
    QCOMPARE(rows[0][14][4].toString(), QStringLiteral("3.05"));
    const std::pair<QString, QString> summary[] = {
        {"R(15 s)", "3,050 M ohm"},          {"R(30 s)", "6,010 M ohm"},
        {"R(60 s)", "11,200 M ohm"},         {"R(600 s)", "38,600 M ohm"},
        {"DAR = R(60 s) / R(30 s)", "1.86"}, {"PI = R(600 s) / R(60 s)", "3.45"}};
    for (const QString& text : printed) {
      for (const auto& [label, value] : summary) {
        const QRegularExpression line(QRegularExpression::escape(label) + QStringLiteral("\\s+") +
                                      QRegularExpression::escape(value) + QStringLiteral("\\n"));
        QVERIFY2(text.contains(line), qPrintable(label + QStringLiteral(" ") + value +
                                                 QStringLiteral(" in:\n") + text.left(2000)));
      }
    }
  }

  void printingWithoutAPrinterSaysHowToPrintToFiles() {
    const test::ProgramRun run = test::RunProgram(
        QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir(),
        {QStringLiteral("--batch"), QStringLiteral("--simulate"), QStringLiteral("--print-graph")});
    if (run.output.contains(QStringLiteral("print graph: Chart1"))) QSKIP("a printer is set up here");
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.output.contains(QStringLiteral("print graph: No printer is set up on this computer.")),
             qPrintable(run.output));
  }

  void withoutAMeterTheBatchSaysSo() {
    const test::ProgramRun run =
        test::RunProgram(QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir(), {QStringLiteral("--batch")});
    if (run.output.contains(QStringLiteral("meter: connected"))) QSKIP("a real meter is plugged in here");
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.output.contains(QStringLiteral("no meter found")), qPrintable(run.output));
  }

 private:
  std::pair<int, QString> Batch(const QString& run) {
    const test::ProgramRun result = test::RunBatch(QStringLiteral(KELVATRIX_EXECUTABLE), source_->Dir(), run);
    return {result.exitCode, result.output};
  }

  std::unique_ptr<test::TestDataSource> source_;
};

}  // namespace kelvatrix

QTEST_GUILESS_MAIN(kelvatrix::DownloadEndToEnd)
#include "download_e2e_test.moc"
