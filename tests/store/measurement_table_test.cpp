#include "store/measurement_table.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "database_locker.h"
#include "store/database_error.h"
#include "test_data_source.h"

namespace kelvatrix {
namespace {

void AppendReading(MeasurementTable& table, long long recno, const std::string& times,
                   const std::string& resistance) {
  table.Append();
  table.SetField("times", times);
  table.SetField("recno", recno);
  table.SetField("voltage", std::string("5000"));
  table.SetField("unitv", std::string("V"));
  table.SetField("register", resistance);
  table.SetField("unitr", std::string("M ohm"));
  table.Post();
  table.Refresh();
  table.Last();
}

}  // namespace

class MeasurementTableTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { source_ = std::make_unique<test::TestDataSource>(); }
  void cleanup() { source_.reset(); }

  void openCreatesTheDatabaseAndTableWhenMissing() {
    QVERIFY(!QFile::exists(source_->DatabasePath()));
    MeasurementTable table(QStringLiteral("kelvatrix"));
    table.Open();
    QVERIFY(table.Active());
    QVERIFY(table.IsEmpty());
    QVERIFY(QFile::exists(source_->DatabasePath()));
    const auto columns = source_->Query(
        QStringLiteral("SELECT name, type FROM pragma_table_info('savedata') ORDER BY cid"));
    QCOMPARE(columns.size(), size_t(6));
    QCOMPARE(columns[0][0].toString(), QStringLiteral("recno"));
    QCOMPARE(columns[0][1].toString(), QStringLiteral("INTEGER"));
    QCOMPARE(columns[4][0].toString(), QStringLiteral("register"));
    QCOMPARE(columns[4][1].toString(), QStringLiteral("VARCHAR(16)"));
  }

  void appendedRowIsCommittedAndBecomesTheCurrentRow() {
    MeasurementTable table(QStringLiteral("kelvatrix"));
    table.Reset();
    QSignalSpy appended(&table, &MeasurementTable::RowsInserted);

    AppendReading(table, 0, "1", "3");
    AppendReading(table, 1, "2", "----");
    // Equal rows stay two rows.
    AppendReading(table, 1, "2", "----");

    QCOMPARE(table.RecordCount(), 3);
    QCOMPARE(table.CurrentRow(), 2);
    QCOMPARE(appended.count(), 3);
    QCOMPARE(appended.last().at(0).toInt(), 2);
    QCOMPARE(table.Value(1, MeasurementTable::FieldIndex("register")).toString(),
             QStringLiteral("----"));

    // Another client sees every posted row at once: nothing waits for a close.
    const auto rows = source_->Query(QStringLiteral(
        "SELECT recno, times, voltage, unitv, \"register\", unitr FROM savedata ORDER BY rowid"));
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(rows[0][0].toLongLong(), 0LL);
    QCOMPARE(rows[0][1].toString(), QStringLiteral("1"));
    QCOMPARE(rows[0][4].toString(), QStringLiteral("3"));
    QCOMPARE(rows[2][5].toString(), QStringLiteral("M ohm"));
  }

  void resetEmptiesRowsOfAnEarlierRun() {
    {
      MeasurementTable earlier(QStringLiteral("kelvatrix"));
      earlier.Reset();
      AppendReading(earlier, 0, "1", "3");
    }
    MeasurementTable table(QStringLiteral("kelvatrix"));
    table.Open();
    QCOMPARE(table.RecordCount(), 1);
    QSignalSpy reset(&table, &MeasurementTable::RowsReset);

    table.Reset();

    QVERIFY(table.Active());
    QVERIFY(table.IsEmpty());
    QCOMPARE(table.CurrentRow(), -1);
    QVERIFY(reset.count() >= 1);
    QCOMPARE(source_->Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt(), 0);
  }

  void refreshPicksUpRowsOtherClientsAddedAndNoRowTwice() {
    MeasurementTable table(QStringLiteral("kelvatrix"));
    table.Reset();
    AppendReading(table, 0, "1", "3");
    source_->Query(QStringLiteral("INSERT INTO savedata (recno, times) VALUES (7, '9')"));
    table.Refresh();
    QCOMPARE(table.RecordCount(), 2);
    QCOMPARE(table.Value(1, 0).toLongLong(), 7LL);
    table.Refresh();
    QCOMPARE(table.RecordCount(), 2);

    // Another client's row committed between this table's post and its refresh.
    table.Append();
    table.SetField("recno", 1LL);
    table.Post();
    source_->Query(QStringLiteral("INSERT INTO savedata (recno, times) VALUES (8, '10')"));
    table.Refresh();
    QCOMPARE(table.RecordCount(), 4);
    QCOMPARE(table.Value(2, 0).toLongLong(), 1LL);
    QCOMPARE(table.Value(3, 0).toLongLong(), 8LL);
    AppendReading(table, 2, "3", "4");
    QCOMPARE(table.RecordCount(), 5);
  }

  void misuseIsReportedWithTheLayersText() {
    MeasurementTable table(QStringLiteral("kelvatrix"));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, table.Append());  // closed
    table.Open();
    table.Append();
    try {
      table.SetField("resistance", std::string("3"));
      QFAIL("an unknown field was accepted");
    } catch (const DatabaseError& error) {
      QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Field 'resistance' not found"));
    }
  }

  void rowThatCannotBeWrittenStaysUnpostedUntilItCan() {
    MeasurementTable table(QStringLiteral("kelvatrix"));
    table.Reset();
    table.Append();
    table.SetField("recno", 5LL);
    {
      test::DatabaseLocker locker(source_->DatabasePath());
      QVERIFY(locker.Locked());
      try {
        table.Post();
        QFAIL("a row was posted to a locked database");
      } catch (const DatabaseError& error) {
        QVERIFY2(QString::fromUtf8(error.what()).contains(QStringLiteral("locked")), error.what());
      }
      QCOMPARE(table.CurrentState(), MeasurementTable::State::Insert);
    }
    table.Post();
    table.Refresh();
    QCOMPARE(table.RecordCount(), 1);
    QCOMPARE(source_->Query(QStringLiteral("SELECT recno FROM savedata"))[0][0].toLongLong(), 5LL);
  }

  void lockedDatabaseFailsWithTheDriversText() {
    {
      MeasurementTable create(QStringLiteral("kelvatrix"));
      create.Open();
    }
    test::DatabaseLocker locker(source_->DatabasePath());
    QVERIFY(locker.Locked());
    MeasurementTable table(QStringLiteral("kelvatrix"));
    try {
      table.Reset();
      QFAIL("a locked database was emptied");
    } catch (const DatabaseError& error) {
      QVERIFY2(QString::fromUtf8(error.what()).contains(QStringLiteral("locked")), error.what());
    }
    QVERIFY(!table.Active());
  }

 private:
  std::unique_ptr<test::TestDataSource> source_;
};

}  // namespace kelvatrix

QTEST_GUILESS_MAIN(kelvatrix::MeasurementTableTest)
#include "measurement_table_test.moc"
