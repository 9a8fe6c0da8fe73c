#include "gui/qt/qt_program.h"

#include <QApplication>

#include <iostream>
#include <optional>

#include "app/batch_run.h"
#include "app/command_line.h"
#include "app/meter_source.h"
#include "gui/qt/qt_dialogs.h"
#include "gui/qt/qt_main_window.h"
#include "gui/qt/qt_message_loop.h"
#include "gui/qt/qt_print_jobs.h"
#include "platform/application_title.h"
#include "platform/scripted_dialogs.h"

namespace kelvatrix {
namespace {

// Reports an error that escapes an event handler the way the program reports every
// error it does not handle itself, instead of letting it end the program.
class Application final : public QApplication {
 public:
  Application(int& argc, char** argv, Dialogs& dialogs, std::string title)
      : QApplication(argc, argv), dialogs_(dialogs), title_(std::move(title)) {}

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
      ShowStandardError(dialogs_, title_, error.what());
    }
    return false;
  }

 private:
  Dialogs& dialogs_;
  std::string title_;
};

}  // namespace

int RunProgram(int argc, char** argv) {
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const CommandLineResult parsed = ParseCommandLine(arguments);
  const std::string executable = ExecutablePath();
  const std::string title = ApplicationTitle(executable.empty() && argc > 0 ? argv[0] : executable);
  if (!parsed.options) {
    std::cerr << title << ": " << parsed.error << "\n" << UsageText(title);
    return 2;
  }
  const CommandLine& options = *parsed.options;
  if (options.help) {
    std::cout << UsageText(title);
    return 0;
  }

  // A batch run shows nothing, so it needs no display.
  if (options.batch && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }

  QtDialogs screenDialogs;
  ScriptedDialogs batchDialogs([](const std::string& line) { std::cerr << line << std::endl; });
  Dialogs& dialogs = options.batch ? static_cast<Dialogs&>(batchDialogs) : screenDialogs;

  Application application(argc, argv, dialogs, title);
  QApplication::setApplicationName(QString::fromStdString(title));
  QtMessageLoop loop;

  std::optional<MeterRun> run;
  if (!LoadSimulatedRun(options, title, screenDialogs, run)) return 2;
  MeterSource meters(std::move(run));

  QtMainWindow window({title, DefaultDataSourceSettings()}, dialogs, loop, meters.Backend());
  MainWindow& logic = window.Logic();
  screenDialogs.SetOwner(&window);
  if (!options.printTo.empty()) {
    logic.SetPrintJobs(MakePdfJobs(QString::fromStdString(options.printTo)));
  } else if (options.batch) {
    logic.SetPrintJobs(MakePrinterJobs(&window, false));
  }
  const MainWindow::StartupOutcome outcome = logic.RunFormCreate();
  if (!meters.Simulated() && !logic.HidCtl().HidLibraryBound()) std::cerr << MissingHidLibrariesText(title) << std::endl;

  if (options.batch) return RunBatch(outcome, logic, loop, batchDialogs, options);
  if (outcome == MainWindow::StartupOutcome::Refused) return 1;
  window.show();
  return QApplication::exec();
}

}  // namespace kelvatrix
