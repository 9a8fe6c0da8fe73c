#include "gui/win32/win32_program.h"

#include "gui/win32/windows_api.h"


#include <cstdio>
#include <iostream>
#include <optional>

#include "app/batch_run.h"
#include "app/command_line.h"
#include "app/meter_source.h"
#include "gui/win32/handler_errors.h"
#include "gui/win32/win32_dialogs.h"
#include "gui/win32/win32_main_window.h"
#include "gui/win32/win32_message_loop.h"
#include "gui/win32/win32_print_jobs.h"
#include "platform/application_title.h"
#include "platform/scripted_dialogs.h"

namespace kelvatrix {
namespace {

// A program for the window subsystem has no console of its own: started from a terminal,
// it writes its lines to the terminal's console, unless they are redirected already.
void UseParentConsole() {
  const bool outKept = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_UNKNOWN;
  const bool errKept = GetFileType(GetStdHandle(STD_ERROR_HANDLE)) != FILE_TYPE_UNKNOWN;
  if (outKept && errKept) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!outKept && freopen("CONOUT$", "w", stdout)) std::cout.clear();
  if (!errKept && freopen("CONOUT$", "w", stderr)) std::cerr.clear();
}

}  // namespace

int RunProgram(const std::vector<std::string>& arguments) {
  UseParentConsole();
  const CommandLineResult parsed = ParseCommandLine(arguments);
  const std::string title = ApplicationTitle(ExecutablePath());
  if (!parsed.options) {
    std::cerr << title << ": " << parsed.error << "\n" << UsageText(title) << std::flush;
    return 2;
  }
  const CommandLine& options = *parsed.options;
  if (options.help) {
    std::cout << UsageText(title) << std::flush;
    return 0;
  }

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  Win32Dialogs screenDialogs;
  ScriptedDialogs batchDialogs([](const std::string& line) { std::cerr << line << std::endl; });
  Dialogs& dialogs = options.batch ? static_cast<Dialogs&>(batchDialogs) : screenDialogs;
  SetHandlerErrorReporter([&](const char* message) { ShowStandardError(dialogs, title, message); });

  std::optional<MeterRun> run;
  if (!LoadSimulatedRun(options, title, screenDialogs, run)) return 2;
  MeterSource meters(std::move(run));
  Win32MessageLoop loop;

  Win32MainWindow window({title, DefaultDataSourceSettings()}, dialogs, loop, meters.Backend());
  MainWindow& logic = window.Logic();
  screenDialogs.SetOwner(window.Handle());
  loop.SetDialogWindow(window.Handle());
  if (!options.printTo.empty()) {
    logic.SetPrintJobs(MakeMetafileJobs(options.printTo));
  } else if (options.batch) {
    logic.SetPrintJobs(MakePrinterJobs(window.Handle(), false));
  }
  const MainWindow::StartupOutcome outcome = logic.RunFormCreate();
  if (!meters.Simulated() && !logic.HidCtl().HidLibraryBound()) std::cerr << MissingHidLibrariesText(title) << std::endl;

  int status = 0;
  if (options.batch) {
    status = RunBatch(outcome, logic, loop, batchDialogs, options);
  } else if (outcome != MainWindow::StartupOutcome::Refused) {
    window.Show(SW_SHOWNORMAL);
    status = loop.Run();
  } else {
    status = 1;
  }
  std::cout.flush();
  std::cerr.flush();
  return status;
}

}  // namespace kelvatrix
