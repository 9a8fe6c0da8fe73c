// The grid's model without a window system, as any view of it (a Qt item view, a Win32
// list view) sees it: titles and cell texts, the row indicator, the editing rules and their
// messages, and rows appended during a download held back until the view's next frame.
#include "views/grid_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "odbc_test_source.h"
#include "platform/scripted_dialogs.h"

namespace kelvatrix {
namespace {

constexpr int kRecno = 0;
constexpr int kRegister = 4;

// What a view hears, a line each.
struct RecordingView final : GridModel::Listener {
  void Reset() override { heard.push_back("reset"); }
  void RowsShown(int first, int last) override { heard.push_back("shown " + Span(first, last)); }
  void RowsRemoved(int first, int last) override { heard.push_back("removed " + Span(first, last)); }
  void RowChanged(int row) override { heard.push_back("changed " + std::to_string(row)); }
  void IndicatorChanged(int) override {}
  void CurrentRowMoved(int row) override { heard.push_back("follow " + std::to_string(row)); }
  void RowsPending() override { heard.push_back("pending"); }
  static std::string Span(int first, int last) { return std::to_string(first) + "-" + std::to_string(last); }
  std::vector<std::string> heard;
};

class GridModelTest : public ::testing::Test {
 protected:
  GridModelTest() : grid(table, MeasurementGridColumns(), dialogs, "Kelvatrix") {
    table.Reset();
    grid.SetListener(&view);
  }
  ~GridModelTest() override { grid.SetListener(nullptr); }

  // As the download appends: posted, refreshed, made current.
  void Download(const std::string& recno, const std::string& resistance) {
    table.Append();
    table.SetField("recno", std::stoll(recno));
    table.SetField("register", resistance);
    table.Post();
    table.Refresh();
    table.Last();
  }
  std::string Stored(int row) const {
    return source.Query("SELECT \"register\" FROM savedata ORDER BY rowid")[static_cast<std::size_t>(row)][0].value_or("NULL");
  }

  test::OdbcTestSource source;
  MeasurementTable table{"kelvatrix"};
  ScriptedDialogs dialogs;
  GridModel grid;
  RecordingView view;
};

TEST_F(GridModelTest, ColumnsShowTheirTitlesAndFieldsTheirTexts) {
  const std::vector<std::string> titles = {"recno", "times(s)", "voltage", "unit", "Resistance", "unit"};
  ASSERT_EQ(grid.ColumnCount(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(grid.TitleCaption(i), titles[static_cast<std::size_t>(i)]);
    EXPECT_TRUE(grid.Editable(i));
  }
  Download("7", "3.5");
  grid.ShowPendingRows();
  EXPECT_EQ(grid.CellText(0, kRecno), "7");
  EXPECT_EQ(grid.CellText(0, kRegister), "3.5");
  EXPECT_EQ(grid.CellText(0, 1), "") << "NULL shows as nothing";
  EXPECT_EQ(grid.IndicatorOf(0), GridModel::Indicator::Current);
}

// A download appends a row every few milliseconds: the view hears that rows wait, and is
// told of them all at once when it shows its next frame; the indicator stands on the last
// row shown meanwhile.
TEST_F(GridModelTest, AppendedRowsWaitForTheViewsNextFrame) {
  for (int i = 0; i < 5; ++i) Download(std::to_string(i), "1");
  EXPECT_EQ(grid.RowCount(), 0);
  EXPECT_EQ(view.heard.front(), "pending");
  view.heard.clear();
  grid.ShowPendingRows();
  EXPECT_EQ(view.heard, (std::vector<std::string>{"shown 0-4", "follow 4"}));
  EXPECT_EQ(grid.RowCount(), 5);
  EXPECT_EQ(grid.ShownCurrentRow(), 4);
  Download("5", "1");
  EXPECT_EQ(grid.ShownCurrentRow(), 4) << "the row still held back is not shown current";
  EXPECT_EQ(grid.IndicatorOf(4), GridModel::Indicator::Current);
}

// The editing rules: a wrong integer is refused with its message before the row changes;
// a good edit marks the row, and leaving the grid posts it; Escape takes a change back.
TEST_F(GridModelTest, EditsAreCheckedPostedOrTakenBack) {
  Download("1", "3");
  Download("2", "4");
  grid.ShowPendingRows();

  EXPECT_FALSE(grid.SetCellText(0, kRecno, "x7"));
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_EQ(dialogs.Shown()[0].text, "'x7' is not a valid integer value.");
  EXPECT_EQ(dialogs.Shown()[0].caption, "Kelvatrix");
  EXPECT_EQ(dialogs.Shown()[0].flags, 16);
  EXPECT_FALSE(grid.Changing());

  EXPECT_TRUE(grid.SetCellText(0, kRegister, "12.5"));
  EXPECT_TRUE(grid.Changing());
  EXPECT_EQ(grid.IndicatorOf(0), GridModel::Indicator::Editing);
  grid.FinishChange();
  EXPECT_FALSE(grid.Changing());
  EXPECT_EQ(Stored(0), "12.5");

  EXPECT_TRUE(grid.SetCellText(1, kRegister, "99"));
  grid.TakeBackChange();
  EXPECT_EQ(grid.CellText(1, kRegister), "4");
  EXPECT_EQ(Stored(1), "4");
}

// Insert puts a new row before the current one; Down on the last row appends one, but not
// after a new row still empty; a delete is asked first, and Cancel keeps the row.
TEST_F(GridModelTest, RowsAreInsertedAppendedAndDeletedAsTheKeysSay) {
  Download("1", "3");
  Download("2", "4");
  grid.ShowPendingRows();
  grid.MoveTo(1);
  grid.InsertRow();
  EXPECT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(grid.IndicatorOf(1), GridModel::Indicator::Inserting);
  grid.TakeBackChange();
  EXPECT_EQ(grid.RowCount(), 2);

  grid.MoveTo(1);
  grid.DownOnLastRow();
  EXPECT_EQ(grid.RowCount(), 3);
  grid.DownOnLastRow();
  EXPECT_EQ(grid.RowCount(), 3) << "not after an empty new row";
  grid.TakeBackChange();

  dialogs.QueueAnswer(box::kResultCancel);
  grid.MoveTo(0);
  grid.DeleteRow();
  EXPECT_EQ(dialogs.Shown().back().text, GridModel::kDeleteQuestion);
  EXPECT_EQ(dialogs.Shown().back().caption, GridModel::kDeleteCaption);
  EXPECT_EQ(dialogs.Shown().back().flags, box::kConfirm);
  EXPECT_EQ(grid.RowCount(), 2);
  dialogs.QueueAnswer(box::kResultOk);
  grid.DeleteRow();
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.CellText(0, kRecno), "2");
  EXPECT_EQ(Stored(0), "4");
}

}  // namespace
}  // namespace kelvatrix
