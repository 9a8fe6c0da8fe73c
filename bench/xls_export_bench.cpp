// Writing the measurement table as a worksheet: ROWS readings x 6 cells, against the same
// cells written by a well-known .xls writer (python3-xlwt) in the same run. Like with
// like: both write cells already in memory into a file forced to disk, three times each,
// and each figure is the median of its three; reading the rows through ODBC into the
// table is measured on its own.
//  - reading ROWS rows through ODBC;
//  - per-row cost and the whole export of ROWS rows;
//  - the ratio to xlwt (xlwt's time / ours), when python3-xlwt is installed.
// Usage: xls_export_bench [ROWS]   (default 65000)
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "export/grid_xls_writer.h"
#include "platform/scripted_dialogs.h"
#include "store/measurement_data_set.h"
#include "store/measurement_table.h"
#include "test_data_source.h"

namespace {

using Clock = std::chrono::steady_clock;

// The measurement grid's columns over the table, as the window's grid offers them.
class TableGrid final : public kelvatrix::ColumnGrid {
 public:
  explicit TableGrid(kelvatrix::MeasurementTable& table)
      : columns_(kelvatrix::MeasurementGridColumns()), data_(table) {}
  const std::vector<kelvatrix::GridColumn>& Columns() const override { return columns_; }
  std::string TitleCaption(int column) const override {
    return kelvatrix::ResolvedTitleCaption(columns_.at(static_cast<std::size_t>(column)), {});
  }
  int FooterRowCount() const override { return 0; }
  kelvatrix::DataSet& GridDataSet() override { return data_; }

 private:
  std::vector<kelvatrix::GridColumn> columns_;
  kelvatrix::MeasurementDataSet data_;
};

// The same cells through xlwt; its own time, measured inside Python, in seconds.
double XlwtSeconds(const std::filesystem::path& directory, int rows) {
  const std::filesystem::path script = directory / "xlwt_bench.py";
  std::ofstream(script) << R"py(import sys, time, xlwt
import os
rows = int(sys.argv[1])
cells = [(i, str(i % 600 + 1), "5000", "V", "%g" % (((i * 7) % 1000 + 1) / 10), "M ohm") for i in range(rows)]
runs = []
for run in range(3):
    start = time.perf_counter()
    book = xlwt.Workbook()
    sheet = book.add_sheet("savedata")
    for c, title in enumerate(["recno", "times(s)", "voltage", "unit", "Resistance", "unit"]):
        sheet.write(1, c, title)
    for r, row in enumerate(cells):
        for c, value in enumerate(row):
            sheet.write(r + 2, c, value)
    book.save(sys.argv[2])
    with open(sys.argv[2], "rb+") as saved:
        os.fsync(saved.fileno())
    runs.append(time.perf_counter() - start)
print(sorted(runs)[1])
)py";
  // Debian's own Python, which has python3-xlwt, before any other on the PATH.
  const std::string python =
      std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  const std::string command = python + " '" + script.string() + "' " + std::to_string(rows) + " '" +
                              (directory / "xlwt.xls").string() + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  double seconds = -1;
  if (std::fscanf(pipe, "%lf", &seconds) != 1) seconds = -1;
  return pclose(pipe) == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 65000;
  if (rows < 1) {
    std::fprintf(stderr, "usage: xls_export_bench [ROWS]\n");
    return 2;
  }
  kelvatrix::test::TestDataSource source;
  kelvatrix::MeasurementTable table("kelvatrix");
  table.Reset();
  source.InsertRun(rows, QStringLiteral("M ohm"));
  const auto readStart = Clock::now();
  table.Refresh();
  const double readSeconds = std::chrono::duration<double>(Clock::now() - readStart).count();
  if (table.RecordCount() != rows) {
    std::fprintf(stderr, "the table holds %d rows, not %d\n", table.RecordCount(), rows);
    return 1;
  }

  TableGrid grid(table);
  kelvatrix::ScriptedDialogs dialogs;
  kelvatrix::NoExportFeedback feedback;
  const std::string file = source.Dir().toStdString() + "/bench.xls";
  std::vector<double> seconds;
  for (int run = 0; run < 3; ++run) {
    kelvatrix::GridXlsWriter writer(dialogs, feedback);
    writer.SetDataGrid(&grid);
    writer.SetShowProgress(false);
    writer.SetFileName(file);
    writer.SetReplaceConfirmed(true);
    const auto start = Clock::now();
    const kelvatrix::XlsExportResult result = writer.ExportFile();
    seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    if (result.outcome != kelvatrix::XlsExportResult::Outcome::Written || result.records != rows) {
      std::fprintf(stderr, "export failed: %s\n", result.error.c_str());
      return 1;
    }
  }
  std::sort(seconds.begin(), seconds.end());
  const double ours = seconds[1];
  std::printf("rows written: %d x 6 cells, file %lld bytes\n", rows,
              static_cast<long long>(std::filesystem::file_size(file)));
  std::printf("reading the rows through ODBC: %.3f s, %.2f us per row\n", readSeconds,
              readSeconds * 1e6 / rows);
  std::printf("export from memory: median %.3f s, %.2f us per row\n", ours, ours * 1e6 / rows);
  const double xlwt = XlwtSeconds(source.Dir().toStdString(), rows);
  if (xlwt < 0) {
    std::printf("xlwt: not available (python3-xlwt)\n");
  } else {
    std::printf("xlwt, same cells from memory: median %.3f s, %.2f us per row\n", xlwt,
                xlwt * 1e6 / rows);
    std::printf("ratio xlwt / ours: %.1f\n", xlwt / ours);
  }
  return 0;
}
