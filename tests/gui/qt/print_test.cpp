#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

#include "gui/qt/qt_print_jobs.h"
#include "meter_runs.h"
#include "pdf_reader.h"
#include "window_rig.h"

namespace kelvatrix {

// Print Data and Print Graph through the window, every job into a PDF file.
class PrintTest : public QObject, protected test::WindowRig {
  Q_OBJECT

 private slots:
  void init() {
    source_ = std::make_unique<test::TestDataSource>();
    program_ = source_->Dir() + QStringLiteral("/program");
    out_ = source_->Dir() + QStringLiteral("/printed");
    QDir().mkpath(program_);
    QDir().mkpath(out_);
    QVERIFY(QFile::copy(QStringLiteral(KELVATRIX_SOURCE_DIR "/data/kelvatrix.rpt"), Project()));
    dialogs_.Clear();
  }
  void cleanup() { CloseAll(); }

  void printGraphGivesTwoOneLandscapePageFilesAlsoWithoutData() {
    Start(0);
    const PrintResult printed = window_->Logic().RoundButton3Click();
    QCOMPARE(printed.jobs.size(), size_t(2));
    QCOMPARE(printed.jobs[0].first, std::string("Chart1"));
    QCOMPARE(printed.jobs[1].first, std::string("Chart2"));
    for (const QString& name : {QStringLiteral("Chart1"), QStringLiteral("Chart2")}) {
      const test::PdfFacts facts = test::ReadPdfFacts(out_ + "/" + name + ".pdf");
      QCOMPARE(facts.pages, 1);
      QVERIFY2(facts.widthPt > facts.heightPt, qPrintable(name));
    }
    QVERIFY(dialogs_.Shown().empty());
  }

  void printedChartsAreDrawnForThePage() {
    Start(50);
    window_->Logic().RoundButton1Click();
    window_->Logic().RoundButton3Click();
    // Titles and labels are text on the page, each a line of its own, and the taller page
    // axis labels finer steps than the screen: the resistance axis (0 to 510 after a peak
    // of 500) every 20 M ohm, the readings 1 to 50 every 2.
    const QStringList lines =
        test::ReadPdfText(out_ + "/Chart2.pdf", false).split(QLatin1Char('\n'));
    QVERIFY2(lines.contains(QStringLiteral("Resistance")), qPrintable(lines.join('|')));
    QVERIFY2(lines.contains(QStringLiteral("UNIT M ohm")), qPrintable(lines.join('|')));
    QList<int> numbers;
    for (const QString& line : lines) {
      bool number = false;
      const int value = line.toInt(&number);
      if (number) numbers << value;
    }
    QList<int> expected;
    for (int label = 0; label <= 500; label += 20) expected << label;
    for (int reading = 2; reading <= 48; reading += 2) expected << reading;
    std::sort(numbers.begin(), numbers.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(numbers, expected);
  }

  void printDataHoldsEveryRowAndThePageNumbers() {
    Start(150);
    window_->Logic().RoundButton1Click();
    const PrintResult printed = window_->Logic().printdatabClick();
    QCOMPARE(printed.jobs.size(), size_t(1));
    const QString file = out_ + QStringLiteral("/Insulation resistance test.pdf");
    QCOMPARE(QString::fromStdString(printed.jobs[0].second.destination), file);
    const int pages = printed.jobs[0].second.pages;
    QVERIFY(pages >= 3);
    QCOMPARE(test::ReadPdfFacts(file).pages, pages);
    const QString text = test::ReadPdfText(file);
    for (int page = 1; page <= pages; ++page) {
      QVERIFY2(text.contains(QStringLiteral("Page %1 of %2").arg(page).arg(pages)),
               qPrintable(text));
    }
    QVERIFY(text.contains(QStringLiteral("Insulation resistance test")));
    // The figures of this run, each with the reason it has none: every fifth reading is
    // over range (15, 30 and 60 s among them), and the run ends at 150 s.
    const std::pair<QString, QString> summary[] = {
        {"Run", "rows 1 to 150 of the table, 150 s"},
        {"Test voltage", "5,000 V"},
        {"R(15 s)", "not available (over range at 15 s)"},
        {"R(30 s)", "not available (over range at 30 s)"},
        {"R(60 s)", "not available (over range at 60 s)"},
        {"R(600 s)", "not available (the readings end at 150 s)"},
        {"DAR = R(60 s) / R(30 s)", "not available (R(60 s) is not available)"},
        {"PI = R(600 s) / R(60 s)", "not available (R(600 s) is not available)"},
    };
    for (const auto& [label, value] : summary) {
      const QRegularExpression line(QStringLiteral("(^|\\n)\\s*") +
                                    QRegularExpression::escape(label) + QStringLiteral("\\s+") +
                                    QRegularExpression::escape(value) + QStringLiteral("\\s*\\n"));
      QVERIFY2(text.contains(line), qPrintable(label + QStringLiteral(": ") + value));
    }
    // Every row, in order: reading, time, voltage, unit, resistance, unit.
    const auto rows = source_->Query(QStringLiteral(
        "SELECT recno, times, voltage, unitv, \"register\", unitr FROM savedata ORDER BY rowid"));
    QCOMPARE(rows.size(), size_t(150));
    qsizetype at = 0;
    for (const auto& row : rows) {
      QStringList cells;
      for (const QVariant& value : row) cells << QRegularExpression::escape(value.toString());
      const QRegularExpression line(
          QStringLiteral("^\\s*") + cells.join(QStringLiteral("\\s+")) + QStringLiteral("\\s*$"),
          QRegularExpression::MultilineOption);
      const QRegularExpressionMatch match = line.match(text, at);
      QVERIFY2(match.hasMatch(), qPrintable(cells.join(' ')));
      at = match.capturedEnd();
    }
  }

  void anEmptyTableGivesItsBoxAndNoFile() {
    Start(0);
    const PrintResult printed = window_->Logic().printdatabClick();
    QVERIFY(printed.nothingToPrint);
    QCOMPARE(dialogs_.Shown().size(), size_t(1));
    QCOMPARE(dialogs_.Shown()[0].text, std::string("Have No Data in Database,Can not to Print!"));
    QCOMPARE(dialogs_.Shown()[0].caption, std::string("Print Error"));
    QCOMPARE(dialogs_.Shown()[0].flags, 16);
    QVERIFY(QDir(out_).isEmpty());
    QVERIFY(!window_->Logic().ReportProject1().IsOpen());
  }

  void aMissingProjectIsTheEnginesErrorBeforeTheTableIsLookedAt() {
    QFile::remove(Project());
    Start(0);
    try {
      window_->Logic().printdatabClick();
      QFAIL("printed without a project");
    } catch (const ReportError& error) {
      QCOMPARE(QString::fromUtf8(error.what()),
               QStringLiteral("The following reporting project does not exist:\r\"") + Project() +
                   QStringLiteral("\""));
    }
    QVERIFY(dialogs_.Shown().empty());
  }

  // A run that fails still closes the project: the corrected file is read at the next
  // Print Data, without a restart.
  void aCorrectedProjectIsReadAfterAFailedRun() {
    WriteProject("column humidity \"Humidity\" 20 right\n");
    Start(4);
    window_->Logic().RoundButton1Click();
    ExpectReportError("The report's column \"humidity\" names no field of the table");
    QVERIFY(!window_->Logic().ReportProject1().IsOpen());
    WriteProject("title Corrected\ncolumn register \"Resistance\" 20 right\n");
    const PrintResult printed = window_->Logic().printdatabClick();
    QCOMPARE(printed.jobs.size(), size_t(1));
    QCOMPARE(printed.jobs[0].first, std::string("Corrected"));
    QVERIFY(QFile::exists(out_ + QStringLiteral("/Corrected.pdf")));
  }

  void aMalformedProjectNamesItsLine() {
    WriteProject("title Run\npage A4 upside-down\n");
    Start(4);
    window_->Logic().RoundButton1Click();
    for (int press = 0; press < 2; ++press)
      ExpectReportError("line 2: the page is portrait or landscape, not 'upside-down'");
    QVERIFY(QDir(out_).isEmpty());
  }

  // With the print preview: a report that cannot run is refused before the preview opens,
  // and after the file is mended the preview opens at every press (it once hung the
  // program at the third).
  void thePreviewOpensAgainAfterAFailedReport() {
    WriteProject("column humidity \"Humidity\" 20 right\n");
    Start(4);
    window_->Logic().SetPrintJobs(MakePrinterJobs(window_.get(), true));
    window_->Logic().RoundButton1Click();
    int previews = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
        ++previews;
        preview->reject();
      }
    });
    closer.start(20);
    ExpectReportError("\"humidity\" names no field of the table");
    QCOMPARE(previews, 0);
    WriteProject("column register \"Resistance\" 20 right\n");
    for (int press = 1; press <= 3; ++press) {
      const PrintResult printed = window_->Logic().printdatabClick();
      QCOMPARE(printed.jobs.size(), size_t(1));
      QVERIFY(!printed.jobs[0].second.printed);  // the preview was closed
      QCOMPARE(previews, press);
    }
  }

 private:
  // Print Data raises the report engine's error, whose text ends with `ending`.
  void ExpectReportError(const char* ending) {
    try {
      window_->Logic().printdatabClick();
    } catch (const ReportError& error) {
      QVERIFY2(QString::fromUtf8(error.what()).endsWith(QString::fromUtf8(ending)), error.what());
      return;
    }
    QFAIL("Print Data did not report the project's error");
  }
  QString Project() const { return program_ + QStringLiteral("/kelvatrix.rpt"); }
  void WriteProject(const char* text) {
    QFile file(Project());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
  }
  void Start(int readings) {
    StartWithMeter("Kelvatrix-print-test", test::RisingMeterRun(readings), [&](QtMainWindow& window) {
      window.Logic().SetProgramFolder(program_.toStdString());
      window.Logic().SetPrintJobs(MakePdfJobs(out_));
    });
  }

  QString program_;
  QString out_;
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::PrintTest)
#include "print_test.moc"
