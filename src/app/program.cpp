#include "app/program.h"

#include <QApplication>

#include <cstdio>
#include <iostream>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
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

void PrintLine(const std::string& line) { std::cout << line << std::endl; }

int RunBatch(MainWindow::StartupOutcome outcome, const MainWindow& window) {
  switch (outcome) {
    case MainWindow::StartupOutcome::Started:
      PrintLine("start-up: ok, table savedata open and empty");
      return 0;
    case MainWindow::StartupOutcome::Refused:
      std::cerr << "start-up: refused, another instance is running" << std::endl;
      return 1;
    case MainWindow::StartupOutcome::StoppedEarly:
      std::cerr << "start-up: the data source could not be registered" << std::endl;
      return 1;
    case MainWindow::StartupOutcome::Failed:
      std::cerr << "start-up: " << window.StartupError() << std::endl;
      return 1;
  }
  return 1;
}

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

  StartupSettings settings{title, DefaultDataSourceSettings()};
  MainWindow window(std::move(settings), dialogs);
  screenDialogs.SetOwner(&window);
  const MainWindow::StartupOutcome outcome = window.RunFormCreate();

  if (options.batch) return RunBatch(outcome, window);
  if (outcome == MainWindow::StartupOutcome::Refused) return 1;
  window.show();
  return QApplication::exec();
}

}  // namespace kelvatrix
