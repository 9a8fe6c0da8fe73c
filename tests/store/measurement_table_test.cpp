// The measurement table over the ODBC API against the SQLite ODBC driver: every operation
// the grid and the download use, and another ODBC connection that writes, reads and
// deletes beside it.
#include "store/measurement_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "odbc_test_source.h"
#include "platform/database_error.h"

namespace kelvatrix {
namespace {

void AppendReading(MeasurementTable& table, long long recno, const std::string& times, const std::string& resistance) {
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

// What the table told its observers, a line each.
struct Recorder final : TableObserver {
  void RowsReset() override { said.push_back("reset"); }
  void RowsInserted(int first, int last) override { said.push_back("inserted " + Span(first, last)); }
  void RowsRemoved(int first, int last) override { said.push_back("removed " + Span(first, last)); }
  void RowChanged(int row) override { said.push_back("changed " + std::to_string(row)); }
  static std::string Span(int first, int last) { return std::to_string(first) + "-" + std::to_string(last); }
  std::vector<std::string> said;
};

std::string Text(const OdbcText& value) { return value.value_or("NULL"); }

// The rows of savedata as another client reads them, "recno|times|register" each.
std::vector<std::string> Rows(const test::OdbcTestSource& source) {
  std::vector<std::string> rows;
  for (const auto& row : source.Query("SELECT recno, times, \"register\" FROM savedata ORDER BY rowid"))
    rows.push_back(Text(row[0]) + "|" + Text(row[1]) + "|" + Text(row[2]));
  return rows;
}

// The table's cached rows the same way.
std::vector<std::string> Cached(const MeasurementTable& table) {
  std::vector<std::string> rows;
  for (int row = 0; row < table.RecordCount(); ++row)
    rows.push_back(Text(table.Value(row, 0)) + "|" + Text(table.Value(row, 1)) + "|" + Text(table.Value(row, 4)));
  return rows;
}

class MeasurementTableTest : public ::testing::Test {
 protected:
  test::OdbcTestSource source;
};

TEST_F(MeasurementTableTest, OpenMakesTheDatabaseAndTableWhenMissing) {
  ASSERT_FALSE(std::filesystem::exists(source.DatabasePath()));
  MeasurementTable table("kelvatrix");
  table.Open();
  EXPECT_TRUE(table.Active());
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_TRUE(std::filesystem::exists(source.DatabasePath()));
  const auto columns = source.Query("SELECT name, type FROM pragma_table_info('savedata') ORDER BY cid");
  ASSERT_EQ(columns.size(), 6u);
  EXPECT_EQ(Text(columns[0][0]) + " " + Text(columns[0][1]), "recno INTEGER");
  EXPECT_EQ(Text(columns[4][0]) + " " + Text(columns[4][1]), "register VARCHAR(16)");
}

TEST_F(MeasurementTableTest, AppendedRowsAreCommittedAndTheLastIsCurrent) {
  MeasurementTable table("kelvatrix");
  Recorder recorder;
  table.AddObserver(&recorder);
  table.Reset();
  recorder.said.clear();
  AppendReading(table, 0, "1", "3");
  AppendReading(table, 1, "2", "----");
  AppendReading(table, 1, "2", "----");  // equal rows stay two rows
  EXPECT_EQ(table.CurrentRow(), 2);
  EXPECT_EQ(Cached(table), (std::vector<std::string>{"0|1|3", "1|2|----", "1|2|----"}));
  // Another client sees every posted row at once: nothing waits for a close.
  EXPECT_EQ(Rows(source), Cached(table));
  EXPECT_EQ(recorder.said[0], "inserted 0-0");
  table.RemoveObserver(&recorder);
}

TEST_F(MeasurementTableTest, TheGridsEditsInsertsAndDeletesChangeTheRowsTheyShow) {
  MeasurementTable table("kelvatrix");
  table.Reset();
  AppendReading(table, 0, "1", "3");
  AppendReading(table, 1, "2", "4");
  AppendReading(table, 1, "2", "4");  // two equal rows: the one edited is the one seen

  table.MoveTo(2);
  table.Edit();
  table.SetFieldText(4, "4.5");
  table.Post();
  table.MoveTo(1);
  table.Insert();  // before the current row
  table.SetFieldText(0, " 7 ");
  table.SetFieldText(1, "1");
  table.Post();
  table.Refresh();
  EXPECT_EQ(Cached(table), (std::vector<std::string>{"0|1|3", "7|1|NULL", "1|2|4", "1|2|4.5"}));
  // The database keeps rows in the order they came; the table shows the inserted one where
  // it was put until it is read again.
  EXPECT_EQ(Rows(source), (std::vector<std::string>{"0|1|3", "1|2|4", "1|2|4.5", "7|1|NULL"}));

  table.MoveTo(2);
  table.Delete();
  EXPECT_EQ(Rows(source), (std::vector<std::string>{"0|1|3", "1|2|4.5", "7|1|NULL"}));
  table.Edit();
  table.SetFieldText(4, "9");
  table.Cancel();  // Escape takes the change back
  EXPECT_EQ(Text(table.Value(2, 4)), "4.5");
  EXPECT_EQ(MeasurementTable::FieldTextProblem(0, "x7"), "'x7' is not a valid integer value");
  EXPECT_THROW(table.SetFieldText(0, "x7"), DatabaseError);
}

TEST_F(MeasurementTableTest, ResetEmptiesTheRowsOfAnEarlierRun) {
  {
    MeasurementTable earlier("kelvatrix");
    earlier.Reset();
    AppendReading(earlier, 0, "1", "3");
  }
  MeasurementTable table("kelvatrix");
  table.Open();
  EXPECT_EQ(table.RecordCount(), 1);
  table.Reset();
  EXPECT_TRUE(table.Active());
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_EQ(table.CurrentRow(), -1);
  EXPECT_TRUE(Rows(source).empty());
}

// What other clients add, change and delete is seen at the next refresh, also a row
// committed between this table's refresh and its next post (it has the lower rowid).
TEST_F(MeasurementTableTest, RowsOtherClientsAddChangeOrDeleteAreSeenAtTheNextRefresh) {
  MeasurementTable table("kelvatrix");
  table.Reset();
  AppendReading(table, 0, "1", "3");
  source.Query("INSERT INTO savedata (recno, times) VALUES (7, '9')");
  table.Refresh();
  EXPECT_EQ(Cached(table), (std::vector<std::string>{"0|1|3", "7|9|NULL"}));
  table.Refresh();
  EXPECT_EQ(table.RecordCount(), 2) << "no row twice";

  source.Query("INSERT INTO savedata (recno, times) VALUES (8, '10')");
  AppendReading(table, 1, "2", "4");
  EXPECT_EQ(Cached(table), (std::vector<std::string>{"0|1|3", "7|9|NULL", "8|10|NULL", "1|2|4"}));

  source.Query("UPDATE savedata SET \"register\" = '5' WHERE recno = 7");
  source.Query("DELETE FROM savedata WHERE recno = 8");
  table.Refresh();
  EXPECT_EQ(Cached(table), (std::vector<std::string>{"0|1|3", "7|9|5", "1|2|4"}));
  AppendReading(table, 2, "3", "6");
  EXPECT_EQ(Cached(table), Rows(source));
}

// Another client deletes the last row; SQLite hands its rowid to the next row posted here.
// Deleting or changing the stale row the grid still shows must not touch the new reading.
TEST_F(MeasurementTableTest, AnEditOrDeleteChangesTheRowSeenOrNoneWithAMessage) {
  MeasurementTable table("kelvatrix");
  table.Reset();
  AppendReading(table, 0, "1", "3");
  AppendReading(table, 1, "2", "4");
  source.Query("DELETE FROM savedata WHERE recno = 1");
  table.Append();
  table.SetField("recno", 2LL);
  table.SetField("register", std::string("5"));
  table.Post();  // not refreshed: the table still shows recno 1
  ASSERT_EQ(Cached(table), (std::vector<std::string>{"0|1|3", "1|2|4", "2|NULL|5"}));

  table.MoveTo(1);
  table.Edit();
  table.SetFieldText(4, "40");
  try {
    table.Post();
    FAIL() << "the stale row was written";
  } catch (const DatabaseError& error) {
    EXPECT_NE(std::string(error.what()).find("Another program changed or deleted this row meanwhile"), std::string::npos)
        << error.what();
  }
  table.Cancel();
  table.MoveTo(1);
  EXPECT_THROW(table.Delete(), DatabaseError);
  EXPECT_EQ(Rows(source), (std::vector<std::string>{"0|1|3", "2|NULL|5"}));
  EXPECT_EQ(Cached(table), Rows(source)) << "read again after the refused delete";
}

// A lock another client holds delays a post without losing it; a reset refused changes
// nothing.
TEST_F(MeasurementTableTest, ALockedDatabaseRefusesForNowAndChangesNothing) {
  MeasurementTable table("kelvatrix");
  table.Reset();
  AppendReading(table, 0, "1", "3");
  table.Append();
  table.SetField("recno", 5LL);
  {
    OdbcConnection other("DSN=kelvatrix");
    other.Execute("BEGIN EXCLUSIVE");
    EXPECT_THROW(table.Post(), DatabaseBusy);
    EXPECT_EQ(table.CurrentState(), MeasurementTable::State::Insert);
    table.Cancel();
    EXPECT_THROW(table.Reset(), DatabaseBusy);
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecordCount(), 1);
    other.Execute("ROLLBACK");
  }
  AppendReading(table, 5, "2", "4");
  EXPECT_EQ(Rows(source), (std::vector<std::string>{"0|1|3", "5|2|4"}));
}

// Let go while a dialog may touch the database's files, and taken again by the next use.
TEST_F(MeasurementTableTest, AReleasedTableConnectsAgainAndReadsWhatChanged) {
  MeasurementTable table("kelvatrix");
  table.Reset();
  AppendReading(table, 0, "1", "3");
  table.Release();
  source.Query("INSERT INTO savedata (recno, times) VALUES (9, '2')");
  table.Refresh();
  AppendReading(table, 1, "3", "4");
  EXPECT_EQ(Cached(table), (std::vector<std::string>{"0|1|3", "9|2|NULL", "1|3|4"}));
}

TEST_F(MeasurementTableTest, MisuseIsReportedWithTheLayersText) {
  MeasurementTable table("kelvatrix");
  EXPECT_THROW(table.Append(), DatabaseError);  // closed
  table.Open();
  table.Append();
  try {
    table.SetField("resistance", std::string("3"));
    FAIL() << "an unknown field was accepted";
  } catch (const DatabaseError& error) {
    EXPECT_STREQ(error.what(), "Field 'resistance' not found");
  }
}

}  // namespace
}  // namespace kelvatrix
