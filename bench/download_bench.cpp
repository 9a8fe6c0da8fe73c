// A whole download through the window (offscreen): the simulated meter at zero latency,
// every reading posted through ODBC and drawn on both charts.
//  - wall time over the pacing floor: fetches x 5 ms, plus the 100 ms handshake wait;
//  - user-interface thread CPU per reading over the first and the last 1,000 readings, and
//    the least and the median of all windows of 1,000 (KELVATRIX_BENCH_WINDOWS=1 lists
//    them in order);
//  - CPU share of one core over the whole download (all threads).
// Usage: download_bench [READINGS...]   (default: 20000 60000)
// KELVATRIX_BENCH_HIDDEN=1 leaves the window hidden; QT_QPA_PLATFORM=xcb shows it on the X
// display (offscreen otherwise).
#include <QApplication>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "gui/qt/qt_main_window.h"
#include "gui/qt/qt_message_loop.h"
#include "hid/backends/virtual/virtual_hid_bus.h"
#include "platform/scripted_dialogs.h"
#include "protocol/virtual_meter.h"
#include "test_data_source.h"

namespace {

using Clock = std::chrono::steady_clock;

double ProcessCpu() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ThreadCpu() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

kelvatrix::MeterRun Readings(int count) {
  kelvatrix::MeterRun run;
  run.latencyMs = 0;
  for (int i = 0; i < count; ++i) {
    const int mantissa = 1 + (i * 7) % 1000;
    run.readings.push_back({static_cast<std::uint8_t>(i == 0 ? 0x81 : 0x01), 0xF4,
                            static_cast<std::uint8_t>(mantissa >> 8),
                            static_cast<std::uint8_t>(mantissa & 0xFF)});
  }
  return run;
}

// False when the download did not store every reading: its figures would time broken code.
bool Measure(int count) {
  kelvatrix::test::TestDataSource source;
  kelvatrix::ScriptedDialogs dialogs;
  kelvatrix::QtMessageLoop loop;
  kelvatrix::VirtualHidBus bus;
  kelvatrix::VirtualMeter meter(bus, Readings(count));
  kelvatrix::QtMainWindow window({"Kelvatrix-download-bench", source.Settings()}, dialogs, loop,
                               bus.Backend());
  if (window.Logic().RunFormCreate() != kelvatrix::MainWindow::StartupOutcome::Started) {
    std::fprintf(stderr, "start-up failed: %s\n", window.Logic().StartupError().c_str());
    return false;
  }
  if (!qEnvironmentVariableIsSet("KELVATRIX_BENCH_HIDDEN")) window.show();
  const auto giveUp = Clock::now() + std::chrono::seconds(30);
  while (!window.Logic().DevConnected()) {
    if (Clock::now() > giveUp) {
      std::fprintf(stderr, "the simulated meter was never found\n");
      return false;
    }
    loop.WaitForMessages(Clock::now() + std::chrono::milliseconds(20));
    loop.ProcessMessages();
  }

  // UI-thread CPU at the rows that bound each window of 1,000 readings and the last 1,000:
  // each reading's row is added as it starts. Read at those rows only, since reading a
  // thread's CPU clock is a system call.
  const auto n = static_cast<std::size_t>(count);
  const std::size_t span = std::min<std::size_t>(1000, n / 2);
  std::vector<double> cpuAtRow(n + 1, -1);
  struct RowClock final : kelvatrix::TableObserver {
    std::function<void(int)> inserted;
    void RowsInserted(int, int last) override { inserted(last); }
  } rowClock;
  rowClock.inserted = [&](int last) {
    const auto row = static_cast<std::size_t>(last);
    if (row % span == 0 || row == n - span) cpuAtRow[row] = ThreadCpu();
  };
  window.Logic().Table1().AddObserver(&rowClock);

  const double cpuBefore = ProcessCpu();
  const auto start = Clock::now();
  cpuAtRow[0] = ThreadCpu();
  const kelvatrix::DownloadResult result = window.Logic().RoundButton1Click();
  cpuAtRow[static_cast<std::size_t>(count)] = ThreadCpu();
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  window.Logic().Table1().RemoveObserver(&rowClock);
  const double cpu = ProcessCpu() - cpuBefore;

  const int stored = source.Query(QStringLiteral("SELECT COUNT(*) FROM savedata"))[0][0].toInt();
  if (result.outcome != kelvatrix::DownloadOutcome::EndMarker || result.readings != count ||
      stored != count) {
    std::fprintf(stderr, "the download failed: %d of %d readings, %d rows stored\n",
                 result.readings, count, stored);
    return false;
  }
  const int fetches = count / 2 + 1;
  const double floor = fetches * 0.005 + 0.100;
  const double firstUs = (cpuAtRow[span] - cpuAtRow[0]) / static_cast<double>(span) * 1e6;
  const double lastUs = (cpuAtRow[n] - cpuAtRow[n - span]) / static_cast<double>(span) * 1e6;
  std::printf("%d readings (%d stored, %d fetches): wall %.2f s, pacing floor %.2f s, ratio %.3f\n",
              count, result.readings, fetches, wall, floor, wall / floor);
  // Every window of `span` readings, for a figure that one noisy stretch does not swing.
  std::vector<double> windows;
  for (std::size_t end = span; end <= n; end += span) {
    windows.push_back((cpuAtRow[end] - cpuAtRow[end - span]) / static_cast<double>(span) * 1e6);
  }
  if (qEnvironmentVariableIsSet("KELVATRIX_BENCH_WINDOWS")) {  // in order, to see a trend
    std::printf("  windows:");
    for (const double window : windows) std::printf(" %.0f", window);
    std::printf("\n");
  }
  std::sort(windows.begin(), windows.end());
  std::printf(
      "  UI-thread CPU per reading: first %zu %.1f us, last %zu %.1f us (ratio %.2f); %zu windows: "
      "least %.1f, median %.1f us\n",
      span, firstUs, span, lastUs, lastUs / firstUs, windows.size(), windows.front(),
      windows[windows.size() / 2]);
  std::printf("  CPU during the download: %.1f %% of one core (%.2f s)\n", 100 * cpu / wall, cpu);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::max(4, std::atoi(argv[i])));
  if (counts.empty()) counts = {20000, 60000};
  for (const int count : counts) {
    if (!Measure(count)) return 1;
  }
  return 0;
}
