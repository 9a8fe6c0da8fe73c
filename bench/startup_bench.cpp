// Start-up time: from the main window's construction to the window shown (offscreen),
// measured in-process over several start-ups, and a whole `kelvatrix --batch` process
// (start-up, the first device search, exit; with no meter it ends saying so).
// Usage: startup_bench [RUNS]   (default 15)
#include <QApplication>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gui/qt/qt_main_window.h"
#include "gui/qt/qt_message_loop.h"
#include "hid/backends/virtual/virtual_hid_bus.h"
#include "platform/scripted_dialogs.h"
#include "test_data_source.h"

namespace {
using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int kRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  kelvatrix::test::TestDataSource source;

  kelvatrix::QtMessageLoop loop;
  kelvatrix::VirtualHidBus bus;
  std::vector<double> inProcess;
  for (int i = 0; i < kRuns; ++i) {
    kelvatrix::ScriptedDialogs dialogs;
    const auto start = Clock::now();
    kelvatrix::QtMainWindow window({"Kelvatrix-bench", source.Settings()}, dialogs, loop, bus.Backend());
    // A start-up that failed would only be timed faster.
    if (window.Logic().RunFormCreate() != kelvatrix::MainWindow::StartupOutcome::Started) {
      std::fprintf(stderr, "start-up failed: %s\n", window.Logic().StartupError().c_str());
      return 1;
    }
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    inProcess.push_back(Ms(Clock::now() - start));
  }

  std::vector<double> wholeProcess;
  for (int i = 0; i < kRuns; ++i) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(source.Dir());
    const auto start = Clock::now();
    process.start(QStringLiteral(KELVATRIX_EXECUTABLE), {QStringLiteral("--batch")});
    if (!process.waitForFinished(30000)) return 1;
    // Without a meter the batch ends after the search with status 1; anything else is a fault.
    const QByteArray said = process.readAll();
    if (!said.contains("start-up: ok")) {
      std::fprintf(stderr, "kelvatrix --batch did not start: %s\n", said.constData());
      return 1;
    }
    wholeProcess.push_back(Ms(Clock::now() - start));
  }

  std::printf("window constructed, start-up run, shown (offscreen): median %.1f ms, first %.1f ms\n",
              Median(inProcess), inProcess.front());
  std::printf("whole process 'kelvatrix --batch' (start-up, exit):  median %.1f ms\n",
              Median(wholeProcess));
  return 0;
}
