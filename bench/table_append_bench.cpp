// Cost of one row append (append, set six fields, post, refresh, last) through the real
// ODBC stack, at the start of a table and at row 60,000. The two must be about equal:
// appending never re-reads the table.
// Usage: table_append_bench [ROWS]   (default 60000)
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <vector>
#include <cstdio>
#include <cstdlib>

#include "store/measurement_table.h"
#include "test_data_source.h"

namespace {

using Clock = std::chrono::steady_clock;

void AppendRow(kelvatrix::MeasurementTable& table, long long n) {
  table.Append();
  table.SetField("times", std::to_string(n + 1));
  table.SetField("recno", n);
  table.SetField("voltage", std::string("5000"));
  table.SetField("unitv", std::string("V"));
  table.SetField("register", std::string("1.023"));
  table.SetField("unitr", std::string("M ohm"));
  table.Post();
  table.Refresh();
  table.Last();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const long long kRows = argc > 1 ? std::max(20LL, std::atoll(argv[1])) : 60000;
  const long long kWindow = std::min(1000LL, kRows / 10);
  kelvatrix::test::TestDataSource source;
  kelvatrix::MeasurementTable table("kelvatrix");
  table.Reset();

  // Per-row cost of every window of 1,000 rows: flat means no work grows with the table.
  std::vector<double> windowUs;
  const auto all = Clock::now();
  auto windowStart = all;
  for (long long n = 0; n < kRows; ++n) {
    AppendRow(table, n);
    if ((n + 1) % kWindow == 0) {
      const auto now = Clock::now();
      windowUs.push_back(std::chrono::duration<double, std::micro>(now - windowStart).count() / kWindow);
      windowStart = now;
    }
  }
  const double totalS = std::chrono::duration<double>(Clock::now() - all).count();
  std::vector<double> sorted = windowUs;
  std::sort(sorted.begin(), sorted.end());
  // The first window is cold (statements compiled, caches filled): the early figure is the
  // median of the three after it, the late one the median of the last three.
  const auto median3 = [](std::vector<double> three) {
    std::sort(three.begin(), three.end());
    return three[1];
  };
  const std::size_t w = windowUs.size();
  const double early = w >= 7 ? median3({windowUs[1], windowUs[2], windowUs[3]})
                              : windowUs[std::min<std::size_t>(1, w - 1)];
  const double late =
      w >= 7 ? median3({windowUs[w - 3], windowUs[w - 2], windowUs[w - 1]}) : windowUs.back();
  std::printf("rows appended: %lld in %.1f s\n", kRows, totalS);
  std::printf("per row, first (cold) %lld rows: %.1f us\n", kWindow, windowUs.front());
  std::printf("per row, early (windows 2-4):  %.1f us\n", early);
  std::printf("per row, late (last 3):        %.1f us\n", late);
  std::printf("ratio late/early:              %.2f\n", late / early);
  std::printf("all %zu windows: min %.1f, median %.1f, max %.1f us per row\n", windowUs.size(), sorted.front(),
              sorted[sorted.size() / 2], sorted.back());
  if (table.RecordCount() != kRows ||
      source.Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt() != kRows) {
    std::fprintf(stderr, "the table holds %d rows, not %lld\n", table.RecordCount(), kRows);
    return 1;
  }
  return 0;
}
