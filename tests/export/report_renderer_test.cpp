// The data report's pages as a recording canvas gets them: what stands on every page and
// what on the first only, how many rows a page takes, cells cut to their column.
#include "export/report_renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_grid.h"
#include "recording_canvas.h"

namespace kelvatrix {
namespace {

using test::DrawCall;

// Pages of 100 units to the inch (about 4 to the millimetre), each recorded on its own.
struct RecordedPages final : PageCanvas {
  Canvas& Drawing() override { return pages.back(); }
  SizeF PageSize() const override { return {700, 1000}; }
  double Resolution() const override { return 100; }
  void NewPage() override { pages.emplace_back(); }
  std::vector<test::RecordingCanvas> pages = std::vector<test::RecordingCanvas>(1);

  // The texts a page shows, in drawing order.
  std::vector<std::string> Texts(std::size_t page) const {
    std::vector<std::string> texts;
    for (const DrawCall& call : pages.at(page).calls)
      if (call.kind == DrawCall::Kind::TextInBox) texts.push_back(call.text);
    return texts;
  }
  bool Shows(std::size_t page, const std::string& text) const {
    for (const std::string& shown : Texts(page))
      if (shown == text) return true;
    return false;
  }
};

ReportDefinition Report() {
  ReportDefinition report;
  report.title = "Insulation test";
  report.header = "Printed {date}";
  report.footer = "Page {page} of {pages}";
  report.columns = {{"recno", "No.", 15, ReportColumn::Align::Right},
                    {"register", "Resistance", 30, ReportColumn::Align::Left}};
  return report;
}

test::FakeDataSet Rows(int count, const std::string& resistance = "12.5") {
  test::FakeDataSet data;
  data.AddField("recno", FieldType::String);
  data.AddField("register", FieldType::String);
  for (int i = 0; i < count; ++i) data.AddRecord({std::to_string(i), resistance});
  return data;
}

TEST(ReportRenderer, EveryPageHasItsFrameAndHeadingsTheFirstItsTitle) {
  test::FakeDataSet data = Rows(120);
  RecordedPages pages;
  const int count = RenderReport(pages, Report(), data, "11/12/2026 10:00");
  ASSERT_EQ(count, static_cast<int>(pages.pages.size()));
  ASSERT_GE(count, 2);
  for (std::size_t page = 0; page < pages.pages.size(); ++page) {
    SCOPED_TRACE(page);
    const std::string number = "Page " + std::to_string(page + 1) + " of " + std::to_string(count);
    EXPECT_TRUE(pages.Shows(page, "Printed 11/12/2026 10:00"));
    EXPECT_TRUE(pages.Shows(page, number));
    EXPECT_TRUE(pages.Shows(page, "No."));
    EXPECT_TRUE(pages.Shows(page, "Resistance"));
    EXPECT_EQ(pages.Shows(page, "Insulation test"), page == 0);
  }
  // Every row once, in order, across the pages.
  std::vector<std::string> numbers;
  for (std::size_t page = 0; page < pages.pages.size(); ++page) {
    for (const DrawCall& call : pages.pages[page].calls) {
      if (call.kind == DrawCall::Kind::TextInBox && call.alignment == (align::kRight | align::kVCenter) &&
          call.text != "No." && !call.font.bold)
        numbers.push_back(call.text);
    }
  }
  ASSERT_EQ(numbers.size(), 120u);
  for (int i = 0; i < 120; ++i) EXPECT_EQ(numbers[static_cast<std::size_t>(i)], std::to_string(i));
}

TEST(ReportRenderer, CellsAreCutToTheirColumnAndHeadingsAreBold) {
  test::FakeDataSet data = Rows(1, std::string(80, '9'));
  RecordedPages pages;
  RenderReport(pages, Report(), data, "now");
  bool cut = false;
  for (const DrawCall& call : pages.pages[0].calls) {
    if (call.kind != DrawCall::Kind::TextInBox) continue;
    if (call.text == "Resistance") {
      EXPECT_TRUE(call.font.bold);
    }
    if (call.text.find("999") == 0) {
      cut = true;
      EXPECT_EQ(call.text.substr(call.text.size() - 3), "...");
      EXPECT_LE(test::FixedMeasure().Advance(call.font, call.text), call.rect.width);
    }
  }
  EXPECT_TRUE(cut);
}

TEST(ReportRenderer, ColumnsWiderThanThePageAreNarrowedTogether) {
  ReportDefinition report = Report();
  report.columns[0].widthMm = 200;
  report.columns[1].widthMm = 400;  // 600 mm on a page of 700 units, about 178 mm
  test::FakeDataSet data = Rows(1);
  RecordedPages pages;
  RenderReport(pages, report, data, "now");
  double right = 0;
  for (const DrawCall& call : pages.pages[0].calls) {
    if (call.kind == DrawCall::Kind::Line) right = std::max(right, call.points[1].x);
  }
  EXPECT_NEAR(right, 700, 1e-6) << "the rule under the headings spans the narrowed table";
}

TEST(ReportRenderer, AColumnOfNoFieldIsAnErrorBeforeAnythingIsDrawn) {
  ReportDefinition report = Report();
  report.columns.push_back({"humidity", "RH", 10, ReportColumn::Align::Left});
  test::FakeDataSet data = Rows(3);
  RecordedPages pages;
  try {
    RenderReport(pages, report, data, "now");
    FAIL() << "a report with an unknown field ran";
  } catch (const ReportError& error) {
    EXPECT_STREQ(error.what(), "The report's column \"humidity\" names no field of the table");
  }
  EXPECT_TRUE(pages.pages[0].calls.empty());
}

}  // namespace
}  // namespace kelvatrix
