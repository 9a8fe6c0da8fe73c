#pragma once
// Paints the data report on a printer: on every page the header line, the column
// headings, as many rows as fit and the footer line; on the first page the title and, when
// the project asks for it, the summary of the run's insulation indices. Rows are painted
// as they are read, page by page, so the cost grows with the rows and nothing is kept.

#include <QDateTime>
#include <QPageLayout>

#include "export/report_project.h"
#include "store/data_set.h"

class QPrinter;

namespace kelvatrix {

// The page the project asks for: size, orientation and margins.
QPageLayout ReportPageLayout(const ReportDefinition& report);

// Raises ReportError when a column names no field of `data`.
void CheckReportFields(const ReportDefinition& report, DataSet& data);

// Paints every page; returns how many, or 0 when the printer cannot be opened. Raises
// ReportError when a column names no field of `data`.
int RenderReport(QPrinter& printer, const ReportDefinition& report, DataSet& data,
                 const QDateTime& printedAt);

}  // namespace kelvatrix
