// Printing the data report of a download into a PDF file: time, pages per second and the
// peak memory, for several table sizes each in a process of its own (the cost must grow
// linearly).
// Usage: report_bench [ROWS...]   (default: 600 10000 60000)
#include <QApplication>
#include <QDateTime>
#include <QPrinter>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "gui/qt/qt_print_jobs.h"
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

// Pages in a PDF file written by Qt: one page object each.
int PdfPages(const QString& file) {
  std::ifstream in(file.toStdString(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  int pages = 0;
  for (std::size_t at = bytes.find("/Type /Page"); at != std::string::npos;
       at = bytes.find("/Type /Page", at + 1)) {
    if (bytes.compare(at, 12, "/Type /Pages") != 0) ++pages;
  }
  return pages;
}

// One size in this process, so that its peak memory is its own.
int MeasureOne(int argc, char** argv, int rows, const kelvatrix::ReportDefinition& report) {
  QApplication app(argc, argv);
  kelvatrix::test::TestDataSource source;
  kelvatrix::MeasurementTable table("kelvatrix");
  table.Reset();
  source.InsertRun(rows, QStringLiteral("G ohm"));
  table.Refresh();
  if (table.RecordCount() != rows) {
    std::fprintf(stderr, "the table holds %d rows, not %d\n", table.RecordCount(), rows);
    return 1;
  }
  kelvatrix::MeasurementDataSet data(table);
  auto jobs = kelvatrix::MakePdfJobs(source.Dir());
  const double memoryBefore = PeakMegabytes();
  const auto start = Clock::now();
  const kelvatrix::PrintedJob job = jobs->PrintReport(
      "report", kelvatrix::ReportPageSetup(report),
      [&](kelvatrix::PageCanvas& pages) { return kelvatrix::RenderReport(pages, report, data, "2026-12-11 10:00"); });
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  // A report that printed too few pages, or pages the file does not hold, timed broken code.
  const int filed = PdfPages(QString::fromStdString(job.destination));
  if (job.pages < (rows + 99) / 100 || filed != job.pages) {
    std::fprintf(stderr, "%d rows printed on %d pages, the file holds %d\n", rows, job.pages,
                 filed);
    return 1;
  }
  std::printf(
      "%6d rows: %5d pages in %6.2f s, %6.1f pages/s, %5.1f us per row; peak memory %.0f MB "
      "(%.0f MB before printing)\n",
      rows, job.pages, seconds, job.pages / seconds, seconds * 1e6 / rows, PeakMegabytes(),
      memoryBefore);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
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
  // Each size in a process of its own: a process's peak memory only grows, so a later
  // size would carry the earlier ones'.
  for (const int rows : sizes) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) _exit(MeasureOne(argc, argv, rows, *project.definition));
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return 1;
  }
  return 0;
}
