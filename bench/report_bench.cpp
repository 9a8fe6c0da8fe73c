// Printing the data report of a download into a PDF file: time, pages per second and the
// peak memory of the process, for several table sizes (the cost must grow linearly).
// Usage: report_bench [ROWS...]   (default: 600 10000 60000)
#include <QApplication>
#include <QDateTime>
#include <QPrinter>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "export/print_jobs.h"
#include "export/report_project.h"
#include "export/report_renderer.h"
#include "store/measurement_data_set.h"
#include "store/measurement_table.h"
#include "test_data_source.h"

namespace {

using Clock = std::chrono::steady_clock;

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::max(1, std::atoi(argv[i])));
  if (sizes.empty()) sizes = {600, 10000, 60000};

  std::ifstream in(KELVATRIX_SOURCE_DIR "/data/kelvatrix.rpt");
  std::ostringstream text;
  text << in.rdbuf();
  const kelvatrix::ReportParse project = kelvatrix::ParseReportProject(text.str());
  if (!project.definition) {
    std::fprintf(stderr, "the report project: %s\n", project.error.c_str());
    return 1;
  }

  for (const int rows : sizes) {
    kelvatrix::test::TestDataSource source;
    kelvatrix::MeasurementTable table(QStringLiteral("kelvatrix"));
    table.Reset();
    source.InsertRun(rows, QStringLiteral("G ohm"));
    table.Refresh();
    kelvatrix::MeasurementDataSet data(table);
    auto jobs = kelvatrix::MakePdfJobs(source.Dir());
    const double memoryBefore = PeakMegabytes();
    const auto start = Clock::now();
    const kelvatrix::PrintedJob job =
        jobs->PrintReport(QStringLiteral("report"),
                          kelvatrix::ReportPageLayout(*project.definition), [&](QPrinter& printer) {
                            return kelvatrix::RenderReport(printer, *project.definition, data,
                                                           QDateTime::currentDateTime());
                          });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "%6d rows: %5d pages in %6.2f s, %6.1f pages/s, %5.1f us per row; peak memory %.0f MB "
        "(before %.0f MB)\n",
        rows, job.pages, seconds, job.pages / seconds, seconds * 1e6 / rows, PeakMegabytes(),
        memoryBefore);
  }
  return 0;
}
