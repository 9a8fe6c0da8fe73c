#include "export/grid_xls_writer.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fake_grid.h"
#include "hex.h"
#include "platform/scripted_dialogs.h"

namespace kelvatrix::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One record of a written sheet, decoded for the assertions.
struct Cell {
  std::uint16_t type = 0;
  int row = 0;
  int column = 0;
  std::string text;  // LABEL text, RK or NUMBER value as text
  bool operator==(const Cell&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Cell& c) {
  return out << std::hex << c.type << std::dec << "@" << c.row << "," << c.column << ":" << c.text;
}

std::vector<Cell> Cells(const Bytes& file) {
  std::vector<Cell> cells;
  for (std::size_t at = 0; at + 4 <= file.size();) {
    const auto word = [&](std::size_t i) {
      return static_cast<int>(file[at + i] | file[at + i + 1] << 8);
    };
    Cell cell;
    cell.type = static_cast<std::uint16_t>(word(0));
    const std::size_t length = static_cast<std::size_t>(word(2));
    if (cell.type == biff::kLabel || cell.type == biff::kRk || cell.type == biff::kNumber ||
        cell.type == biff::kBlank) {
      cell.row = word(4);
      cell.column = word(6);
    }
    if (cell.type == biff::kLabel)
      cell.text.assign(file.begin() + static_cast<long>(at) + 12,
                       file.begin() + static_cast<long>(at + 4 + length));
    if (cell.type == biff::kRk) {
      std::int32_t rk = 0;
      std::memcpy(&rk, &file[at + 10], 4);
      cell.text = std::to_string(rk >> 2);
    }
    if (cell.type == biff::kNumber) {
      double value = 0;
      std::memcpy(&value, &file[at + 10], 8);
      char number[32];
      std::snprintf(number, sizeof number, "%.17g", value);
      cell.text = number;
    }
    cells.push_back(cell);
    at += 4 + length;
  }
  return cells;
}

Cell Label(int row, int column, std::string text) {
  return {biff::kLabel, row, column, std::move(text)};
}
Cell Rk(int row, int column, long long value) {
  return {biff::kRk, row, column, std::to_string(value)};
}
Cell Number(int row, int column, std::string value) {
  return {biff::kNumber, row, column, std::move(value)};
}
Cell Blank(int row, int column) { return {biff::kBlank, row, column, {}}; }
const Cell kBof{biff::kBof, 0, 0, {}};
const Cell kEof{biff::kEof, 0, 0, {}};

class WriterTest : public ::testing::Test {
 public:
  void SetUp() override {
    directory = fs::temp_directory_path() /
                ("kelvatrix-xls-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory);
    fs::create_directories(directory);
    file = directory / "run.xls";
  }
  void TearDown() override { fs::remove_all(directory); }

  // The measurement grid's six columns over the table's six fields.
  void MeasurementGrid() {
    grid.columns = MeasurementGridColumns();
    grid.data.AddField("recno", FieldType::Integer);
    for (const char* name : {"times", "voltage", "unitv", "register", "unitr"})
      grid.data.AddField(name, FieldType::String);
  }
  XlsExportResult Export(bool showProgress = false) {
    GridXlsWriter writer(dialogs, feedback);
    writer.SetDataGrid(&grid);
    writer.SetShowProgress(showProgress);
    writer.SetFileName(file.string());
    return writer.ExportFile();
  }
  std::vector<Cell> Written() { return Cells(ReadFile(file)); }

  FakeGrid grid;
  ScriptedDialogs dialogs;
  RecordingFeedback feedback;
  fs::path directory;
  fs::path file;
};

// The program's own grid with two readings, against bytes put together by hand from the
// record layouts.
TEST_F(WriterTest, MeasurementGridGivesTheWholeFileByteForByte) {
  MeasurementGrid();
  grid.data.AddRecord({std::int64_t{0}, "1", "5000", "V", "3", "M ohm"});
  grid.data.AddRecord({std::int64_t{1}, "2", "5000", "V", "----", "G ohm"});
  const XlsExportResult result = Export();
  ASSERT_EQ(result.outcome, XlsExportResult::Outcome::Written) << result.error;
  EXPECT_EQ(result.records, 2);

  const std::string expected =
      "09 08 08 00 00 00 10 00 00 00 00 00 "                 // BOF
      "04 02 08 00 00 00 03 00 00 00 00 00 "                 // title: row 0, column 3, empty
      "04 02 0D 00 01 00 00 00 00 00 05 00 72 65 63 6E 6F "  // recno
      "04 02 10 00 01 00 01 00 00 00 08 00 74 69 6D 65 73 28 73 29 "        // times(s)
      "04 02 0F 00 01 00 02 00 00 00 07 00 76 6F 6C 74 61 67 65 "           // voltage
      "04 02 0C 00 01 00 03 00 00 00 04 00 75 6E 69 74 "                    // unit
      "04 02 12 00 01 00 04 00 00 00 0A 00 52 65 73 69 73 74 61 6E 63 65 "  // Resistance
      "04 02 0C 00 01 00 05 00 00 00 04 00 75 6E 69 74 "                    // unit
      "7E 02 0A 00 02 00 00 00 00 00 02 00 00 00 "                          // 0
      "04 02 09 00 02 00 01 00 00 00 01 00 31 "                             // 1
      "04 02 0C 00 02 00 02 00 00 00 04 00 35 30 30 30 "                    // 5000
      "04 02 09 00 02 00 03 00 00 00 01 00 56 "                             // V
      "04 02 09 00 02 00 04 00 00 00 01 00 33 "                             // 3
      "04 02 0D 00 02 00 05 00 00 00 05 00 4D 20 6F 68 6D "                 // M ohm
      "7E 02 0A 00 03 00 00 00 00 00 06 00 00 00 "                          // 1
      "04 02 09 00 03 00 01 00 00 00 01 00 32 "                             // 2
      "04 02 0C 00 03 00 02 00 00 00 04 00 35 30 30 30 "                    // 5000
      "04 02 09 00 03 00 03 00 00 00 01 00 56 "                             // V
      "04 02 0C 00 03 00 04 00 00 00 04 00 2D 2D 2D 2D "                    // ----
      "04 02 0D 00 03 00 05 00 00 00 05 00 47 20 6F 68 6D "                 // G ohm
      "0A 00 00 00 ";                                                       // EOF
  EXPECT_EQ(Hex(ReadFile(file)), Hex(FromHex(expected)));
  EXPECT_EQ(feedback.calls, (std::vector<std::string>{"wait", "default"}));
  EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(WriterTest, BarsSplitTitlesOverHeaderRowsAndHiddenColumnsKeepTheirDataPlace) {
  for (const char* name : {"a", "b", "c", "d"}) grid.data.AddField(name, FieldType::String);
  grid.AddColumn("a", "Volt|age");
  grid.AddColumn("b", "|").visible = false;
  grid.AddColumn("c", "plain");
  grid.AddColumn("d", "x|y|z");
  grid.data.AddRecord({"1", "2", "3", "4"});
  ASSERT_EQ(Export().outcome, XlsExportResult::Outcome::Written);
  // Three header rows (the hidden column counts for the depth); three visible columns.
  EXPECT_EQ(Written(), (std::vector<Cell>{
                           kBof, Label(0, 3, ""), Label(1, 0, "Volt"), Label(1, 1, "plain"),
                           Label(1, 2, "x"), Label(2, 0, "age"), Label(2, 1, ""), Label(2, 2, "y"),
                           Label(3, 0, ""), Label(3, 1, ""), Label(3, 2, "z"), Label(4, 0, "1"),
                           Blank(4, 1), Label(4, 2, "3"), Label(4, 3, "4"), kEof}));
}

TEST_F(WriterTest, FieldsFollowTheColumnsAndStarredTitlesAreBlankInEveryRecord) {
  grid.data.AddField("extra", FieldType::String);
  grid.data.AddField("b", FieldType::Integer);
  grid.data.AddField("a", FieldType::String);
  grid.data.AddField("c", FieldType::Float);
  grid.AddColumn("a", "A");
  grid.AddColumn("b", "B *****");
  grid.AddColumn("c", "C");
  grid.data.AddRecord({"e1", std::int64_t{7}, "a1", 2.5});
  grid.data.AddRecord({"e2", std::int64_t{8}, std::monostate{}, -0.125});
  ASSERT_EQ(Export().outcome, XlsExportResult::Outcome::Written);
  // Four fields under three columns: the field without a column comes last, with no header.
  EXPECT_EQ(Written(),
            (std::vector<Cell>{kBof, Label(0, 3, ""), Label(1, 0, "A"), Label(1, 1, "B *****"),
                               Label(1, 2, "C"), Label(2, 0, "a1"), Blank(2, 1),
                               Number(2, 2, "2.5"), Label(2, 3, "e1"), Blank(3, 0), Blank(3, 1),
                               Number(3, 2, "-0.125"), Label(3, 3, "e2"), kEof}));
  // The preparation lasts: positions, labels and visibility stay on the fields.
  EXPECT_EQ(grid.data.FieldByName("extra").Index(), 3);
  EXPECT_EQ(grid.data.FieldByName("b").DisplayLabel(), "B *****");
  EXPECT_FALSE(grid.data.FieldByName("b").Visible());
}

TEST_F(WriterTest, FooterRowsFromOneFooterOrFromEveryFootersEntry) {
  grid.data.AddField("a", FieldType::String);
  grid.data.AddField("b", FieldType::String);
  grid.data.AddField("c", FieldType::String);
  grid.AddColumn("a").footer.value = "sum";
  grid.AddColumn("b").visible = false;
  grid.AddColumn("c").footer.value = "n";
  grid.columns[0].footers = {{"a1"}, {"a2"}, {"a3"}};
  grid.columns[1].footers = {{"hidden"}};
  grid.columns[2].footers = {{"c1"}};
  grid.data.AddRecord({"1", "2", "3"});

  grid.footerRowCount = 1;
  ASSERT_EQ(Export().outcome, XlsExportResult::Outcome::Written);
  std::vector<Cell> cells = Written();
  EXPECT_EQ(std::vector<Cell>(cells.end() - 3, cells.end()),
            (std::vector<Cell>{Label(3, 0, "sum"), Label(3, 1, "n"), kEof}));

  grid.footerRowCount = 2;
  ASSERT_EQ(Export().outcome, XlsExportResult::Outcome::Written);
  cells = Written();
  EXPECT_EQ(std::vector<Cell>(cells.end() - 5, cells.end()),
            (std::vector<Cell>{Label(3, 0, "a1"), Label(4, 0, "a2"), Label(5, 0, "a3"),
                               Label(3, 1, "c1"), kEof}));
}

TEST_F(WriterTest, KindsBeyondTextGetTheirOwnCells) {
  grid.data.AddField("big", FieldType::LargeInt);
  grid.data.AddField("int", FieldType::Integer);
  grid.data.AddField("memo", FieldType::Memo);
  grid.data.AddField("bytes", FieldType::Bytes);
  grid.data.AddField("money", FieldType::Currency);
  for (const char* name : {"big", "int", "memo", "bytes", "money"}) grid.AddColumn(name);
  grid.data.AddRecord({"12345678901", std::int64_t{4000000000}, "notes",
                       std::vector<std::uint8_t>{0x00, 0xAB, 0x10}, 1.25});
  grid.data.AddRecord(
      {std::monostate{}, std::int64_t{-536870912}, std::monostate{}, std::monostate{}, 0.0});
  ASSERT_EQ(Export().outcome, XlsExportResult::Outcome::Written);
  const std::vector<Cell> cells = Written();
  EXPECT_EQ(
      std::vector<Cell>(cells.begin() + 7, cells.end()),
      (std::vector<Cell>{Label(2, 0, "12345678901"), Number(2, 1, "4000000000"), Label(2, 2, ""),
                         Label(2, 3, "00AB10"), Number(2, 4, "1.25"), Blank(3, 0),
                         Rk(3, 1, -536870912), Blank(3, 2), Blank(3, 3), Number(3, 4, "0"), kEof}));
}

TEST_F(WriterTest, EmptyDataSetClosedDataSetOrBlankNameTouchNothing) {
  MeasurementGrid();
  std::ofstream(file) << "old";
  EXPECT_EQ(Export().outcome, XlsExportResult::Outcome::NothingToWrite) << "no records";
  grid.data.AddRecord({std::int64_t{0}, "1", "5000", "V", "3", "M ohm"});
  grid.data.active = false;
  EXPECT_EQ(Export().outcome, XlsExportResult::Outcome::NothingToWrite) << "closed";
  grid.data.active = true;
  const fs::path named = file;
  file = " \t\r\n ";
  EXPECT_EQ(Export().outcome, XlsExportResult::Outcome::NothingToWrite) << "blank name";
  EXPECT_TRUE(dialogs.Shown().empty());
  EXPECT_TRUE(feedback.calls.empty()) << "no cursor change";
  EXPECT_EQ(grid.data.FieldByName("recno").DisplayLabel(), "recno") << "fields not prepared";
  EXPECT_EQ(ReadFile(named), Bytes({'o', 'l', 'd'}));
}

TEST_F(WriterTest, ExistingFileIsReplacedOnlyAfterYesToItsQuestion) {
  MeasurementGrid();
  grid.data.AddRecord({std::int64_t{0}, "1", "5000", "V", "3", "M ohm"});
  std::ofstream(file) << "old";
  dialogs.QueueAnswer(box::kResultNo);
  EXPECT_EQ(Export().outcome, XlsExportResult::Outcome::Declined);
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_EQ(dialogs.Shown()[0].text, "已存在文件（" + file.string() + "），是否覆盖？");
  EXPECT_EQ(dialogs.Shown()[0].caption, "提示");
  EXPECT_EQ(dialogs.Shown()[0].flags, 292);
  EXPECT_EQ(ReadFile(file), Bytes({'o', 'l', 'd'}));
  EXPECT_EQ(feedback.calls, (std::vector<std::string>{"wait", "default"}))
      << "the question comes under the wait cursor";

  dialogs.QueueAnswer(box::kResultYes);
  EXPECT_EQ(Export().outcome, XlsExportResult::Outcome::Written);
  EXPECT_EQ(Written().size(), 15u);
  EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), 1)
      << "no file left over";
}

TEST_F(WriterTest, ProgressFollowsTheRecordsAndThePositionIsRestored) {
  MeasurementGrid();
  for (int i = 0; i < 3; ++i)
    grid.data.AddRecord({std::int64_t{i}, "1", "5000", "V", "3", "M ohm"});
  grid.data.current = 1;
  ASSERT_EQ(Export(true).outcome, XlsExportResult::Outcome::Written);
  EXPECT_EQ(feedback.calls, (std::vector<std::string>{"wait", "progress 0-3", "at 1", "at 2",
                                                      "at 3", "close", "default"}));
  EXPECT_EQ(grid.data.current, 1);
  EXPECT_EQ(grid.data.disabled, 0);
}

TEST_F(WriterTest, AColumnNamingNoFieldEndsTheExportBeforeAnythingIsTouched) {
  MeasurementGrid();
  grid.AddColumn("humidity");
  grid.data.AddRecord({std::int64_t{0}, "1", "5000", "V", "3", "M ohm"});
  EXPECT_THROW(Export(), DataSetError);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(feedback.calls.empty());
}

TEST_F(WriterTest, ASheetPastSixtyFiveThousandFiveHundredAndThirtySixRowsIsRefused) {
  grid.data.AddField("n", FieldType::Integer);
  grid.AddColumn("n");
  // Title, one header row and 65,534 records: 65,536 rows, the most a sheet holds.
  for (int i = 0; i < 65534; ++i) grid.data.AddRecord({std::int64_t{i}});
  ASSERT_EQ(Export().outcome, XlsExportResult::Outcome::Written);
  const std::vector<Cell> cells = Written();
  EXPECT_EQ(cells.at(cells.size() - 2), Rk(65535, 0, 65533)) << "the last row, 65,535";

  fs::remove(file);
  grid.data.AddRecord({std::int64_t{65534}});
  const XlsExportResult refused = Export();
  EXPECT_EQ(refused.outcome, XlsExportResult::Outcome::TooManyRows);
  EXPECT_EQ(refused.error,
            "the sheet would need 65,537 rows, and an .xls worksheet holds at most 65,536");
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(WriterTest, AFolderThatIsGoneFailsWithItsName) {
  MeasurementGrid();
  grid.data.AddRecord({std::int64_t{0}, "1", "5000", "V", "3", "M ohm"});
  file = directory / "gone" / "run.xls";
  const XlsExportResult result = Export();
  EXPECT_EQ(result.outcome, XlsExportResult::Outcome::Failed);
  EXPECT_NE(result.error.find("cannot create a file in '" + (directory / "gone").string() + "'"),
            std::string::npos)
      << result.error;
  EXPECT_EQ(feedback.calls, (std::vector<std::string>{"wait", "default"}));
}

#ifndef _WIN32
// A disk that fills up part way: a child process may write only 20,000 bytes. The old
// file stays as it was and nothing else is left in the folder.
TEST_F(WriterTest, AWriteThatFailsPartWayKeepsTheOldFile) {
  MeasurementGrid();
  for (int i = 0; i < 5000; ++i)
    grid.data.AddRecord({std::int64_t{i}, "1", "5000", "V", "3", "M ohm"});
  std::ofstream(file) << "old";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
    const rlimit limit{20000, 20000};
    setrlimit(RLIMIT_FSIZE, &limit);
    GridXlsWriter writer(dialogs, feedback);
    writer.SetDataGrid(&grid);
    writer.SetShowProgress(false);
    writer.SetFileName(file.string());
    writer.SetReplaceConfirmed(true);
    const XlsExportResult result = writer.ExportFile();
    const bool named =
        result.error.find("cannot write '" + file.string() + "'") != std::string::npos;
    _exit(result.outcome == XlsExportResult::Outcome::Failed && named ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the child saw the failure, with the file named";
  EXPECT_EQ(ReadFile(file), Bytes({'o', 'l', 'd'}));
  EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), 1);
}
#endif

}  // namespace
}  // namespace kelvatrix::test
