#include <QTest>

#include "app/command_line.h"
#include "app/window_placement.h"

namespace kelvatrix {

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("batch");
    QTest::addColumn<bool>("help");
    QTest::addColumn<QString>("saveXls");
    QTest::newRow("none") << QStringList{} << true << false << false << "";
    QTest::newRow("batch") << QStringList{"--batch"} << true << true << false << "";
    QTest::newRow("help") << QStringList{"--help"} << true << false << true << "";
    QTest::newRow("save as next word") << QStringList{"--batch", "--save-xls", "run.xls"} << true << true << false
                                       << "run.xls";
    QTest::newRow("save after =") << QStringList{"--save-xls=a b.xls", "--batch"} << true << true << false
                                  << "a b.xls";
    QTest::newRow("unknown") << QStringList{"--bach"} << false << false << false << "";
    QTest::newRow("stray word") << QStringList{"batch"} << false << false << false << "";
    QTest::newRow("save without a file") << QStringList{"--batch", "--save-xls"} << false << false << false << "";
    QTest::newRow("save without batch") << QStringList{"--save-xls", "x.xls"} << false << false << false << "";
    QTest::newRow("print without batch") << QStringList{"--print-graph"} << false << false << false << "";
    QTest::newRow("print to without a folder") << QStringList{"--print-to"} << false << false << false << "";
  }

  void parse() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, valid);
    std::vector<std::string> words;
    for (const QString& a : arguments) words.push_back(a.toStdString());
    const CommandLineResult result = ParseCommandLine(words);
    QCOMPARE(result.options.has_value(), valid);
    if (!valid) {
      QVERIFY(QString::fromStdString(result.error).contains(arguments.first()) ||
              QString::fromStdString(result.error).contains(arguments.last()));
      return;
    }
    QTEST(result.options->batch, "batch");
    QTEST(result.options->help, "help");
    QTEST(QString::fromStdString(result.options->saveXls), "saveXls");
  }

  void printOptions() {
    const CommandLineResult result =
        ParseCommandLine({"--print-to", "/tmp/out", "--batch", "--print-graph", "--print-data", "--simulate"});
    QVERIFY(result.options.has_value());
    QCOMPARE(result.options->printTo, std::string("/tmp/out"));
    QVERIFY(result.options->printData);
    QVERIFY(result.options->printGraph);
    QVERIFY2(ParseCommandLine({"--print-to=/tmp/out"}).options.has_value(), "also without --batch");
  }

  void centredEdge_data() {
    QTest::addColumn<int>("available");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("edge");
    QTest::newRow("full hd width") << 1920 << 830 << 545;
    QTest::newRow("odd difference") << 1023 << 830 << 96;
    QTest::newRow("smaller screen truncates toward zero") << 815 << 830 << -7;
    QTest::newRow("equal") << 580 << 580 << 0;
  }

  void centredEdge() {
    QFETCH(int, available);
    QFETCH(int, size);
    QTEST(CentredEdge(available, size), "edge");
  }
};

}  // namespace kelvatrix

QTEST_GUILESS_MAIN(kelvatrix::CommandLineTest)
#include "command_line_test.moc"
