// Whole sheets read back by a real spreadsheet program (LibreOffice), cell for cell: the
// sheet opens, every text, number and empty cell is where it was written, and a sheet of
// 65,000 records keeps its last rows (16-bit row numbers, no wrap).

#include <gtest/gtest.h>

#include <filesystem>

#include "export/grid_xls_writer.h"
#include "fake_grid.h"
#include "platform/scripted_dialogs.h"
#include "spreadsheet_reader.h"

namespace kelvatrix::test {
namespace {

namespace fs = std::filesystem;

// The reading of record i as the download would store it.
std::vector<Value> Reading(int i) {
  const bool over = i % 97 == 5;
  const double mantissa = (i * 37) % 1024;
  char resistance[32];
  std::snprintf(resistance, sizeof resistance, "%g", mantissa / 10);
  return {std::int64_t{i},
          std::to_string(i % 600 + 1),
          std::to_string(5000 - (i % 7) * 10),
          "V",
          over ? std::string("----") : std::string(resistance),
          i % 3 == 0 ? "G ohm" : "M ohm"};
}

class ReadBack : public ::testing::Test {
 public:
  void SetUp() override {
    directory = fs::temp_directory_path() / ("kelvatrix-readback-" + std::to_string(getpid()));
    fs::create_directories(directory);
    grid.columns = MeasurementGridColumns();
    grid.data.AddField("recno", FieldType::Integer);
    for (const char* name : {"times", "voltage", "unitv", "register", "unitr"})
      grid.data.AddField(name, FieldType::String);
  }
  void TearDown() override { fs::remove_all(directory); }

  SheetRows WriteAndRead(const std::string& title) {
    const fs::path file = directory / "sheet.xls";
    GridXlsWriter writer(dialogs, feedback);
    writer.SetDataGrid(&grid);
    writer.SetShowProgress(false);
    writer.SetTitleName(title);
    writer.SetFileName(file.string());
    const XlsExportResult result = writer.ExportFile();
    EXPECT_EQ(result.outcome, XlsExportResult::Outcome::Written) << result.error;
    std::string error;
    const std::optional<SheetRows> rows = ReadSheet(file.string(), error);
    EXPECT_TRUE(rows) << error;
    return rows.value_or(SheetRows{});
  }

  // Every record's row: recno a number, the rest text, all six where they belong.
  static void ExpectRecords(const SheetRows& rows, int records) {
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(records) + 2);
    for (int i = 0; i < records; ++i) {
      const std::vector<Value> reading = Reading(i);
      std::vector<SheetCell> expected = {{std::to_string(i), false}};
      for (std::size_t f = 1; f < reading.size(); ++f)
        expected.push_back({std::get<std::string>(reading[f]), true});
      ASSERT_EQ(rows[static_cast<std::size_t>(i) + 2], expected) << "record " << i;
    }
  }

  FakeGrid grid;
  ScriptedDialogs dialogs;
  NoExportFeedback feedback;
  fs::path directory;
};

TEST_F(ReadBack, TitleHeaderAndEveryCellComeBack) {
  for (int i = 0; i < 50; ++i) grid.data.AddRecord(Reading(i));
  const SheetRows rows = WriteAndRead(
      "Run 7 \xC2\xB5"
      "A \xE2\x80\x93 \xCE\xA9");  // µA – Ω
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<SheetCell>{{},
                                             {},
                                             {},
                                             {"Run 7 \xC2\xB5"
                                              "A \xE2\x80\x93 ?",
                                              true},
                                             {},
                                             {}}));
  EXPECT_EQ(rows[1], (std::vector<SheetCell>{{"recno", true},
                                             {"times(s)", true},
                                             {"voltage", true},
                                             {"unit", true},
                                             {"Resistance", true},
                                             {"unit", true}}));
  ExpectRecords(rows, 50);
}

TEST_F(ReadBack, SixtyFiveThousandRecordsAllArrive) {
  for (int i = 0; i < 65000; ++i) grid.data.AddRecord(Reading(i));
  ExpectRecords(WriteAndRead(""), 65000);
}

}  // namespace
}  // namespace kelvatrix::test
