#include "app/batch_run.h"

#include <functional>
#include <iostream>
#include <optional>

#include "export/insulation_indices.h"

namespace kelvatrix {
namespace {

void PrintLine(const std::string& line) { std::cout << line << std::endl; }

// A message box's text on one line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

// The download step of a batch run: true when readings are in savedata to go on with
// (also when the meter stopped answering part way, which still fails the run).
bool BatchDownload(MainWindow& window, ScriptedDialogs& dialogs, int& status) {
  if (const std::optional<std::string> problem = window.MeterAccessProblem()) {
    std::cerr << "meter: " << *problem << std::endl;
    status = 1;
    return false;
  }
  // What the window's box would say, the batch says in its own lines below.
  dialogs.SetEcho(false);
  const DownloadResult result = window.RoundButton1Click();
  dialogs.SetEcho(true);
  const bool writeFailed = window.LastDownload().writeFailed;
  const std::string readings = std::to_string(result.readings) + (result.readings == 1 ? " reading" : " readings");
  switch (result.outcome) {
    case DownloadOutcome::EndMarker:
      if (result.readings == 0) {
        std::cerr << "download: the meter sent no readings" << std::endl;
        status = 1;
        return false;
      }
      PrintLine("download: " + readings + " stored in savedata");
      return true;
    case DownloadOutcome::NotAcknowledged:
      std::cerr << "download: the meter did not answer the handshake"
                << (writeFailed ? " (a command could not be written to it)" : "") << std::endl;
      status = 1;
      return false;
    case DownloadOutcome::NoReply:
      // As the window's box says it: a meter that left the bus was disconnected.
      if (!window.LastDownload().meterStillThere) {
        std::cerr << "download: the meter was disconnected after " << readings << " (kept in savedata)"
                  << std::endl;
      } else {
        std::cerr << "download: the meter stopped answering after " << readings << " (kept in savedata)"
                  << (writeFailed ? "; a command could not be written to it" : "") << std::endl;
      }
      status = 1;
      return result.readings > 0;
    case DownloadOutcome::ShortReply:
      std::cerr << "download: a reply of the meter was too short to hold a reading; stopped after " << readings
                << " (kept in savedata)" << std::endl;
      status = 1;
      return result.readings > 0;
    case DownloadOutcome::DatabaseLocked:
      std::cerr << "download: another program kept the database locked for more than "
                << Download::kLockPatienceMs / 1000 << " s; stopped after " << readings
                << " (kept in savedata)" << std::endl;
      status = 1;
      return result.readings > 0;
    case DownloadOutcome::NoDatabase:
      std::cerr << "download: " << OneLine(window.Messages().MsgText) << std::endl;
      status = 1;
      return false;
    case DownloadOutcome::Stopped:
      std::cerr << "download: stopped after " << readings << " (kept in savedata)" << std::endl;
      status = 1;
      return false;
    case DownloadOutcome::NoMeter:
    case DownloadOutcome::AlreadyRunning:
    case DownloadOutcome::NoAccess:
      std::cerr << "download: no meter" << std::endl;
      status = 1;
      return false;
  }
  status = 1;
  return false;
}

// Save as... with its dialog answered by the file of --save-xls; an existing file is
// replaced (the batch answers Yes).
void BatchSave(MainWindow& window, ScriptedDialogs& dialogs, const std::string& file, int& status) {
  dialogs.QueueFileName(file);
  SaveResult saved;
  try {
    saved = window.savebClick();
  } catch (const std::exception& error) {
    std::cerr << "save: " << StandardErrorText(error.what()) << std::endl;
    status = 1;
    return;
  }
  switch (saved.outcome) {
    case SaveResult::Outcome::Saved:
      PrintLine("save: " + std::to_string(saved.records) + (saved.records == 1 ? " row" : " rows") +
                " written to " + saved.path);
      return;
    case SaveResult::Outcome::NothingToSave:
      std::cerr << "save: no readings to save" << std::endl;
      break;
    case SaveResult::Outcome::Failed:
      std::cerr << "save: " << saved.error << std::endl;
      break;
    case SaveResult::Outcome::Cancelled:
    case SaveResult::Outcome::Kept:
      std::cerr << "save: nothing written to " << file << std::endl;
      break;
  }
  status = 1;
}

std::string PagesText(int pages) { return std::to_string(pages) + (pages == 1 ? " page" : " pages"); }

// A print command of the batch: one line a job, or a clear error line.
void BatchPrint(const char* what, const std::function<PrintResult()>& command, int& status) {
  PrintResult printed;
  try {
    printed = command();
  } catch (const std::exception& error) {
    std::cerr << "print " << what << ": " << OneLine(StandardErrorText(error.what())) << std::endl;
    status = 1;
    return;
  }
  if (printed.nothingToPrint) {
    std::cerr << "print " << what << ": no readings to print" << std::endl;
    status = 1;
  }
  for (const auto& [title, job] : printed.jobs) {
    PrintLine("print " + std::string(what) + ": " + title + ", " + PagesText(job.pages) + " to " +
              job.destination);
  }
}

}  // namespace

int StartupFailure(MainWindow::StartupOutcome outcome, const MainWindow& window) {
  switch (outcome) {
    case MainWindow::StartupOutcome::Started:
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

int RunBatch(MainWindow::StartupOutcome outcome, MainWindow& window, MessageLoop& loop, ScriptedDialogs& dialogs,
             const CommandLine& options) {
  if (const int failed = StartupFailure(outcome, window)) return failed;
  PrintLine("start-up: ok, table savedata open and empty");

  const auto deadline = MessageLoop::Clock::now() + std::chrono::seconds(10);
  while (window.Selection().DeviceChanges() == 0 && MessageLoop::Clock::now() < deadline) {
    loop.WaitForMessages(std::min(deadline, MessageLoop::Clock::now() + std::chrono::milliseconds(50)));
    loop.ProcessMessages();
  }
  if (!window.DevConnected()) {
    std::cerr << "meter: no meter found (USB vendor 1234, product 5678)" << std::endl;
    return 1;
  }
  PrintLine("meter: connected");

  int status = 0;
  if (!BatchDownload(window, dialogs, status)) return status;
  PrintLine("indices: " + DescribeIndices(ComputeIndices(RunRowsOf(window.Grid1().GridDataSet()))));
  if (!options.saveXls.empty()) BatchSave(window, dialogs, options.saveXls, status);
  if (options.printData) BatchPrint("data", [&] { return window.printdatabClick(); }, status);
  if (options.printGraph) BatchPrint("graph", [&] { return window.RoundButton3Click(); }, status);
  return status;
}


}  // namespace kelvatrix
