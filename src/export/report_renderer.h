#pragma once
// Paints the data report on a printer's pages: on every page the header line, the column
// headings, as many rows as fit and the footer line; on the first page the title and, when
// the project asks for it, the summary of the run's insulation indices. Rows are painted
// as they are read, page by page, so the cost grows with the rows and nothing is kept.

#include <string>

#include "draw/canvas.h"
#include "export/print_jobs.h"
#include "export/report_project.h"
#include "store/data_set.h"

namespace kelvatrix {

// The paper the project asks for: size, orientation and margins.
PageSetup ReportPageSetup(const ReportDefinition& report);

// Raises ReportError when a column names no field of `data`.
void CheckReportFields(const ReportDefinition& report, DataSet& data);

// Paints every page; returns how many. `printedAt` is the date and time of printing as the
// user's locale writes it, for {date}. Raises ReportError when a column names no field of
// `data`.
int RenderReport(PageCanvas& pages, const ReportDefinition& report, DataSet& data, const std::string& printedAt);

}  // namespace kelvatrix
