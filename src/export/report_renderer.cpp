#include "export/report_renderer.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "export/insulation_indices.h"

namespace kelvatrix {
namespace {

PageSetup::Paper PaperOf(ReportDefinition::PageSize size) {
  switch (size) {
    case ReportDefinition::PageSize::A3:
      return PageSetup::Paper::A3;
    case ReportDefinition::PageSize::A5:
      return PageSetup::Paper::A5;
    case ReportDefinition::PageSize::Letter:
      return PageSetup::Paper::Letter;
    case ReportDefinition::PageSize::Legal:
      return PageSetup::Paper::Legal;
    case ReportDefinition::PageSize::A4:
      break;
  }
  return PageSetup::Paper::A4;
}

int AlignmentOf(ReportColumn::Align align) {
  switch (align) {
    case ReportColumn::Align::Right:
      return align::kRight | align::kVCenter;
    case ReportColumn::Align::Center:
      return align::kHCenter | align::kVCenter;
    case ReportColumn::Align::Left:
      break;
  }
  return align::kLeft | align::kVCenter;
}

// The summary block: the figures of the run.
std::vector<std::pair<std::string, std::string>> SummaryLines(DataSet& data) {
  const InsulationIndices run = ComputeIndices(RunRowsOf(data));
  if (!run.hasRun) return {{"Run", "no readings"}};
  return {
      {"Run", "rows " + std::to_string(run.firstRow + 1) + " to " + std::to_string(run.firstRow + run.rows) +
                  " of the table, " + std::to_string(run.durationSeconds) + " s"},
      {"Test voltage", FormatVoltage(run.testVoltage)},
      {"R(15 s)", FormatResistance(run.r15)},
      {"R(30 s)", FormatResistance(run.r30)},
      {"R(60 s)", FormatResistance(run.r60)},
      {"R(600 s)", FormatResistance(run.r600)},
      {"DAR = R(60 s) / R(30 s)", FormatRatio(run.dar)},
      {"PI = R(600 s) / R(60 s)", FormatRatio(run.pi)},
  };
}

// Where everything goes on a page, in the printer's units.
struct PageGeometry {
  SizeF area;       // inside the margins
  double line = 0;  // one row
  double headerHeight = 0;
  double footerHeight = 0;
  double titleHeight = 0;
  double summaryHeight = 0;
  std::vector<double> columnLeft;
  std::vector<double> columnWidth;

  int RowsOnPage(bool first) const {
    const double free =
        area.height - headerHeight - footerHeight - line * 1.5 - (first ? titleHeight + summaryHeight : 0);
    return std::max(1, static_cast<int>(std::floor(free / line)));
  }
  int Pages(int rows) const {
    const int first = RowsOnPage(true);
    if (rows <= first) return 1;
    const int later = RowsOnPage(false);
    return 1 + (rows - first + later - 1) / later;
  }
};

std::vector<DataSetField*> ColumnFields(const ReportDefinition& report, DataSet& data) {
  std::vector<DataSetField*> fields;
  for (const ReportColumn& column : report.columns) {
    try {
      fields.push_back(&data.FieldByName(column.field));
    } catch (const DataSetError&) {
      throw ReportError("The report's column \"" + column.field + "\" names no field of the table");
    }
  }
  return fields;
}

}  // namespace

PageSetup ReportPageSetup(const ReportDefinition& report) {
  return {PaperOf(report.pageSize), report.landscape,
          {report.marginsMm[0], report.marginsMm[1], report.marginsMm[2], report.marginsMm[3]}};
}

void CheckReportFields(const ReportDefinition& report, DataSet& data) { ColumnFields(report, data); }

int RenderReport(PageCanvas& pages, const ReportDefinition& report, DataSet& data, const std::string& printedAt) {
  const std::vector<DataSetField*> fields = ColumnFields(report, data);
  const std::vector<std::pair<std::string, std::string>> summary =
      report.summary ? SummaryLines(data) : std::vector<std::pair<std::string, std::string>>{};

  // A new page may come with a canvas of its own: looked up again after each.
  Canvas* canvas = &pages.Drawing();
  const Font font{report.fontFamily, report.fontPoints, true, false};
  Font bold = font;
  bold.bold = true;
  Font titleFont = bold;
  titleFont.size = report.fontPoints * 1.6;
  const double pixelsPerMm = pages.Resolution() / 25.4;

  PageGeometry page;
  page.area = pages.PageSize();
  page.line = canvas->Metrics(font).lineSpacing * 1.3;
  page.headerHeight = report.header.empty() ? 0 : page.line * 1.5;
  page.footerHeight = report.footer.empty() ? 0 : page.line * 1.5;
  page.titleHeight = canvas->Metrics(titleFont).lineSpacing * 1.6;
  page.summaryHeight = summary.empty() ? 0 : (static_cast<double>(summary.size()) + 1) * page.line;
  double total = 0;
  for (const ReportColumn& column : report.columns) total += column.widthMm * pixelsPerMm;
  // Columns wider than the page together are narrowed to fit, each in proportion.
  const double scale = total > page.area.width ? page.area.width / total : 1.0;
  double left = 0;
  for (const ReportColumn& column : report.columns) {
    page.columnLeft.push_back(left);
    page.columnWidth.push_back(column.widthMm * pixelsPerMm * scale);
    left += page.columnWidth.back();
  }
  const double tableWidth = left;
  const double pad = pixelsPerMm * 1.2;
  const Pen rule{{0, 0, 0}, std::max(1.0, pixelsPerMm * 0.2)};
  const int pageCount = page.Pages(data.RecordCount());
  Font current = font;

  const auto setFont = [&](const Font& f) {
    current = f;
    canvas->SetFont(f);
  };
  const auto cell = [&](double x, double width, double y, const std::string& text, int alignment) {
    const RectF box{x + pad, y, width - 2 * pad, page.line};
    canvas->DrawText(box, alignment, canvas->Elided(current, text, box.width));
  };
  const auto headings = [&](double y) {
    setFont(bold);
    for (std::size_t i = 0; i < report.columns.size(); ++i) {
      cell(page.columnLeft[i], page.columnWidth[i], y, report.columns[i].caption, AlignmentOf(report.columns[i].align));
    }
    setFont(font);
    canvas->SetPen(rule);
    canvas->DrawLine({0, y + page.line * 1.15}, {tableWidth, y + page.line * 1.15});
    return y + page.line * 1.5;
  };
  const auto frame = [&](int number) {
    setFont(font);
    canvas->SetPen(rule);
    if (!report.header.empty()) {
      canvas->DrawText({0, 0, page.area.width, page.line}, align::kLeft | align::kVCenter,
                      FillPlaceholders(report.header, printedAt, number, pageCount));
    }
    if (!report.footer.empty()) {
      canvas->DrawText({0, page.area.height - page.line, page.area.width, page.line}, align::kCenter,
                      FillPlaceholders(report.footer, printedAt, number, pageCount));
    }
    return page.headerHeight;
  };

  canvas->SetPen({{0, 0, 0}, 1});
  int number = 1;
  double y = frame(number);
  setFont(titleFont);
  canvas->DrawText({0, y, page.area.width, page.titleHeight}, align::kLeft | align::kVCenter, report.title);
  y += page.titleHeight;
  if (!summary.empty()) {
    // One figure a line, its name in a column of its own, the rest of the line for the
    // value or the reason there is none.
    const double names = std::min(page.area.width / 2, 50 * pixelsPerMm);
    for (std::size_t i = 0; i < summary.size(); ++i) {
      const double row = y + static_cast<double>(i) * page.line;
      setFont(bold);
      cell(0, names, row, summary[i].first, align::kLeft | align::kVCenter);
      setFont(font);
      cell(names, page.area.width - names, row, summary[i].second, align::kLeft | align::kVCenter);
    }
    y += page.summaryHeight;
  }
  y = headings(y);
  int onPage = 0;
  int capacity = page.RowsOnPage(true);

  ForEachRecord(data, [&] {
    if (onPage == capacity) {
      pages.NewPage();
      canvas = &pages.Drawing();
      ++number;
      y = headings(frame(number));
      onPage = 0;
      capacity = page.RowsOnPage(false);
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
      cell(page.columnLeft[i], page.columnWidth[i], y, fields[i]->IsNull() ? std::string() : fields[i]->AsString(),
           AlignmentOf(report.columns[i].align));
    }
    y += page.line;
    ++onPage;
  });
  return number;
}

}  // namespace kelvatrix
