#include "export/report_renderer.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <vector>

#include "export/insulation_indices.h"

namespace kelvatrix {
namespace {

QPageSize PageSizeOf(ReportDefinition::PageSize size) {
  switch (size) {
    case ReportDefinition::PageSize::A3:
      return QPageSize(QPageSize::A3);
    case ReportDefinition::PageSize::A5:
      return QPageSize(QPageSize::A5);
    case ReportDefinition::PageSize::Letter:
      return QPageSize(QPageSize::Letter);
    case ReportDefinition::PageSize::Legal:
      return QPageSize(QPageSize::Legal);
    case ReportDefinition::PageSize::A4:
      break;
  }
  return QPageSize(QPageSize::A4);
}

Qt::Alignment AlignmentOf(ReportColumn::Align align) {
  switch (align) {
    case ReportColumn::Align::Right:
      return Qt::AlignRight | Qt::AlignVCenter;
    case ReportColumn::Align::Center:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case ReportColumn::Align::Left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The summary block: the figures of the run.
std::vector<std::pair<QString, QString>> SummaryLines(DataSet& data) {
  const InsulationIndices run = ComputeIndices(RunRowsOf(data));
  if (!run.hasRun) return {{QStringLiteral("Run"), QStringLiteral("no readings")}};
  return {
      {QStringLiteral("Run"), QStringLiteral("rows %1 to %2 of the table, %3 s")
                                  .arg(run.firstRow + 1)
                                  .arg(run.firstRow + run.rows)
                                  .arg(run.durationSeconds)},
      {QStringLiteral("Test voltage"), Q(FormatVoltage(run.testVoltage))},
      {QStringLiteral("R(15 s)"), Q(FormatResistance(run.r15))},
      {QStringLiteral("R(30 s)"), Q(FormatResistance(run.r30))},
      {QStringLiteral("R(60 s)"), Q(FormatResistance(run.r60))},
      {QStringLiteral("R(600 s)"), Q(FormatResistance(run.r600))},
      {QStringLiteral("DAR = R(60 s) / R(30 s)"), Q(FormatRatio(run.dar))},
      {QStringLiteral("PI = R(600 s) / R(60 s)"), Q(FormatRatio(run.pi))},
  };
}

// Where everything goes on a page, in the printer's pixels.
struct PageGeometry {
  QRectF area;      // inside the margins
  double line = 0;  // one row
  double headerHeight = 0;
  double footerHeight = 0;
  double titleHeight = 0;
  double summaryHeight = 0;
  std::vector<double> columnLeft;
  std::vector<double> columnWidth;

  int RowsOnPage(bool first) const {
    const double free = area.height() - headerHeight - footerHeight - line * 1.5 -
                        (first ? titleHeight + summaryHeight : 0);
    return std::max(1, static_cast<int>(std::floor(free / line)));
  }
  int Pages(int rows) const {
    const int first = RowsOnPage(true);
    if (rows <= first) return 1;
    const int later = RowsOnPage(false);
    return 1 + (rows - first + later - 1) / later;
  }
};

}  // namespace

QPageLayout ReportPageLayout(const ReportDefinition& report) {
  const QMarginsF margins(report.marginsMm[0], report.marginsMm[1], report.marginsMm[2],
                          report.marginsMm[3]);
  return QPageLayout(PageSizeOf(report.pageSize),
                     report.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, margins,
                     QPageLayout::Millimeter);
}

namespace {

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

void CheckReportFields(const ReportDefinition& report, DataSet& data) {
  ColumnFields(report, data);
}

int RenderReport(QPrinter& printer, const ReportDefinition& report, DataSet& data,
                 const QDateTime& printedAt) {
  const std::vector<DataSetField*> fields = ColumnFields(report, data);
  const std::vector<std::pair<QString, QString>> summary =
      report.summary ? SummaryLines(data) : std::vector<std::pair<QString, QString>>{};

  QPainter painter;
  if (!painter.begin(&printer)) return 0;
  QFont font(Q(report.fontFamily));
  font.setPointSizeF(report.fontPoints);
  QFont bold = font;
  bold.setBold(true);
  QFont titleFont = bold;
  titleFont.setPointSizeF(report.fontPoints * 1.6);
  const QFontMetricsF metrics(font, &printer);
  const double pixelsPerMm = printer.resolution() / 25.4;

  PageGeometry page;
  page.area =
      QRectF(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
  page.line = metrics.lineSpacing() * 1.3;
  page.headerHeight = report.header.empty() ? 0 : page.line * 1.5;
  page.footerHeight = report.footer.empty() ? 0 : page.line * 1.5;
  page.titleHeight = QFontMetricsF(titleFont, &printer).lineSpacing() * 1.6;
  page.summaryHeight = summary.empty() ? 0 : (static_cast<double>(summary.size()) + 1) * page.line;
  double total = 0;
  for (const ReportColumn& column : report.columns) total += column.widthMm * pixelsPerMm;
  // Columns wider than the page together are narrowed to fit, each in proportion.
  const double scale = total > page.area.width() ? page.area.width() / total : 1.0;
  double left = 0;
  for (const ReportColumn& column : report.columns) {
    page.columnLeft.push_back(left);
    page.columnWidth.push_back(column.widthMm * pixelsPerMm * scale);
    left += page.columnWidth.back();
  }
  const double tableWidth = left;
  const double pad = pixelsPerMm * 1.2;
  const QPen rule(Qt::black, std::max(1.0, pixelsPerMm * 0.2));
  const QString date = QLocale().toString(printedAt, QLocale::ShortFormat);
  const int pages = page.Pages(data.RecordCount());

  const auto cell = [&](double x, double width, double y, const QString& text,
                        Qt::Alignment align) {
    const QRectF box(x + pad, y, width - 2 * pad, page.line);
    painter.drawText(box, align | Qt::TextSingleLine,
                     metrics.elidedText(text, Qt::ElideRight, box.width()));
  };
  const auto headings = [&](double y) {
    painter.setFont(bold);
    for (std::size_t i = 0; i < report.columns.size(); ++i) {
      cell(page.columnLeft[i], page.columnWidth[i], y, Q(report.columns[i].caption),
           AlignmentOf(report.columns[i].align));
    }
    painter.setFont(font);
    painter.setPen(rule);
    painter.drawLine(QPointF(0, y + page.line * 1.15), QPointF(tableWidth, y + page.line * 1.15));
    return y + page.line * 1.5;
  };
  const auto frame = [&](int number) {
    painter.setFont(font);
    painter.setPen(rule);
    if (!report.header.empty()) {
      painter.drawText(QRectF(0, 0, page.area.width(), page.line), Qt::AlignLeft | Qt::AlignVCenter,
                       Q(FillPlaceholders(report.header, date.toStdString(), number, pages)));
    }
    if (!report.footer.empty()) {
      painter.drawText(QRectF(0, page.area.height() - page.line, page.area.width(), page.line),
                       Qt::AlignHCenter | Qt::AlignVCenter,
                       Q(FillPlaceholders(report.footer, date.toStdString(), number, pages)));
    }
    return page.headerHeight;
  };

  int number = 1;
  double y = frame(number);
  painter.setFont(titleFont);
  painter.drawText(QRectF(0, y, page.area.width(), page.titleHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, Q(report.title));
  y += page.titleHeight;
  if (!summary.empty()) {
    // One figure a line, its name in a column of its own, the rest of the line for the
    // value or the reason there is none.
    const double names = std::min(page.area.width() / 2, 50 * pixelsPerMm);
    for (std::size_t i = 0; i < summary.size(); ++i) {
      const double row = y + static_cast<double>(i) * page.line;
      painter.setFont(bold);
      cell(0, names, row, summary[i].first, Qt::AlignLeft | Qt::AlignVCenter);
      painter.setFont(font);
      cell(names, page.area.width() - names, row, summary[i].second,
           Qt::AlignLeft | Qt::AlignVCenter);
    }
    y += page.summaryHeight;
  }
  y = headings(y);
  int onPage = 0;
  int capacity = page.RowsOnPage(true);

  ForEachRecord(data, [&] {
    if (onPage == capacity) {
      printer.newPage();
      ++number;
      y = headings(frame(number));
      onPage = 0;
      capacity = page.RowsOnPage(false);
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const QString text = fields[i]->IsNull() ? QString() : Q(fields[i]->AsString());
      cell(page.columnLeft[i], page.columnWidth[i], y, text, AlignmentOf(report.columns[i].align));
    }
    y += page.line;
    ++onPage;
  });
  painter.end();
  return number;
}

}  // namespace kelvatrix
