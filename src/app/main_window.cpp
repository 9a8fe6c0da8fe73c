#include "app/main_window.h"

#include <filesystem>

#include "export/grid_xls_writer.h"
#include "export/report_renderer.h"
#include "platform/application_title.h"
#include "platform/replacing_file.h"
#include "platform/system_error_text.h"
#include "platform/database_error.h"

namespace kelvatrix {
namespace {

const char* const kNothingToSaveText = "There are no readings to save: download a run first.";
const char* const kSaveCaption = "Save as...";
const char* const kSaveErrorCaption = "Save Error";

LineChartStyle VoltageChart() { return {"Voltage", {255, 0, 0}, "UNIT V", 0, 6000, 100}; }

LineChartStyle ResistanceChart() {
  return {"Resistance", {0, 128, 0}, "UNIT M ohm", 0, Download::kInitialResistanceAxis, 1};
}

}  // namespace

MainWindow::MainWindow(StartupSettings settings, const WindowPorts& ports)
    : settings_(std::move(settings)),
      dialogs_(ports.dialogs),
      skin_(ports.skin),
      exportFeedback_(ports.exportFeedback),
      chart1_(VoltageChart(), ports.screen),
      chart2_(ResistanceChart(), ports.screen),
      table1_(std::make_unique<MeasurementTable>(kDataSourceName)),
      grid1_(std::make_unique<GridModel>(*table1_, MeasurementGridColumns(), dialogs_, settings_.applicationTitle)),
      table1Rows_(*table1_),
      exchange_(ports.loop, messages_),
      hidCtl_(std::make_unique<HidDeviceController>(ports.loop, ports.backend)),
      selection_(*hidCtl_),
      tableRows_(std::make_unique<TableRows>(*table1_)),
      series1_(std::make_unique<ChartSeries>(chart1_)),
      series2_(std::make_unique<ChartSeries>(chart2_)),
      download_(selection_, exchange_, *tableRows_, *series1_, *series2_) {
  // As the window's description assigns them: while loading, no scan is made.
  hidCtl_->SetLoading(true);
  hidCtl_->SetOnEnumerate(HidEnumerateEvent::Bind<&MainWindow::HidCtlEnumerate>(this));
  hidCtl_->SetOnDeviceChange(HidNotifyEvent::Bind<&MainWindow::HidCtlDeviceChange>(this));
  hidCtl_->SetLoading(false);
  reportConnection1_.SetDataSet(&table1Rows_);
}

MainWindow::~MainWindow() = default;

void MainWindow::Tell(const std::string& text, const char* caption, int flags) {
  messages_.MsgText = text;
  messages_.MsgCaption = caption;
  dialogs_.MessageBox(messages_.MsgText, messages_.MsgCaption, flags);
}

PrintJobs& MainWindow::Jobs() {
  if (!printJobs_) throw PrintError("There is no printer to print on");
  return *printJobs_;
}

void MainWindow::FormClose() {
  // The program exits when the close handler returns, rather than going on unseen.
  download_.Stop();
  grid1_->FinishChange();
}

MainWindow::StartupOutcome MainWindow::RunFormCreate() {
  outcome_ = StartupOutcome::Started;
  try {
    FormCreate();
  } catch (const std::exception& error) {
    outcome_ = StartupOutcome::Failed;
    startupError_ = error.what();
    ShowStandardError(dialogs_, settings_.applicationTitle, startupError_);
  }
  return outcome_;
}

void MainWindow::FormCreate() {
  if (!instanceGuard_.Acquire(settings_.applicationTitle)) {
    outcome_ = StartupOutcome::Refused;
    // The refused instance stops here: the table belongs to the running one.
    dialogs_.MessageBox(kRefusalText, settings_.applicationTitle, box::kOk);
    return;
  }
  if (!RegisterDataSource(settings_.dataSource, dialogs_)) {
    outcome_ = StartupOutcome::StoppedEarly;
    return;
  }
  skin_.PlaceWindow();
  download_.ResAxisMax = Download::kInitialResistanceAxis;
  chart1_.Clear();
  chart2_.Clear();
  skin_.SetStatusText("disconnect!");
  selection_.CreateDevList();
  // The same handler again: the controller ignores it, so no search starts here.
  hidCtl_->SetOnDeviceChange(HidNotifyEvent::Bind<&MainWindow::HidCtlDeviceChange>(this));
  try {
    table1_->Reset();
  } catch (const DatabaseError& error) {
    throw DatabaseError(DatabaseProblem(error.what()));
  }
}

std::string MainWindow::DatabaseProblem(const std::string& driverText) const {
  const std::string file = DatabaseFilePath(settings_.dataSource);
  std::string reason = ReplacingFile::WhyNotWritable(file);
  if (reason.empty()) reason = driverText;
  return "The database " + file + " cannot be opened: " + reason +
         ".\rReadings cannot be stored until this is mended.";
}

bool MainWindow::HidCtlEnumerate(HidDevice& device, std::int32_t index) {
  return selection_.HidCtlEnumerate(device, index);
}

void MainWindow::HidCtlDeviceChange(HidDeviceController& sender) { selection_.HidCtlDeviceChange(sender); }

std::optional<std::string> MainWindow::MeterAccessProblem() const {
  const HidDevice* meter = selection_.CurrentDev();
  if (!selection_.DevConnected() || !meter || meter->ReadWriteAccess()) return std::nullopt;
  std::string text = "The meter was found at " + meter->PnPInfo().DevicePath +
                     ", but it cannot be opened for reading and writing (" + SystemErrorText(meter->AccessError()) + ").";
#ifdef __linux__
  text += " Install the udev rule 70-kelvatrix-meter.rules (see the README, \"The meter on Linux\") and plug the meter "
          "in again.";
#else
  text += " Close any other program that uses it and plug the meter in again.";
#endif
  return text;
}

DownloadResult MainWindow::RoundButton1Click() {
  if (!DevConnected() || download_.Running()) return download_.Run();
  // A meter that may not be opened would only not answer: the operator is told why.
  if (const std::optional<std::string> problem = MeterAccessProblem()) {
    dialogs_.MessageBox(*problem, "Download Error", box::kError);
    return {DownloadOutcome::NoAccess, 0};
  }
  // Readings with nowhere to go are not asked of the meter; a database mended since
  // start-up is opened now.
  if (!table1_->Active()) {
    try {
      table1_->Open();
    } catch (const DatabaseError& error) {
      Tell(DatabaseProblem(error.what()), kDownloadCaption, box::kError);
      return {DownloadOutcome::NoDatabase, 0};
    }
  }
  const int writeFailures = exchange_.WriteFailures();
  const DownloadResult result = download_.Run();
  // A run cut short is not passed off as the whole run: the operator hears how many
  // readings were stored and why it stopped.
  const DownloadEnd end{result, DevConnected(), exchange_.WriteFailures() != writeFailures};
  lastDownload_ = end;
  if (const std::optional<std::string> report = DownloadReport(end)) Tell(*report, kDownloadCaption, box::kError);
  return result;
}

SaveResult MainWindow::savebClick() {
  using Outcome = SaveResult::Outcome;
  SaveResult result;
  // With no readings there is nothing to choose a file for; a file of that name stays.
  if (!table1_->Active() || table1_->IsEmpty()) {
    Tell(kNothingToSaveText, kSaveCaption, box::kInformation);
    skin_.RedrawButton(CommandButton::Save);
    result.outcome = Outcome::NothingToSave;
    return result;
  }
  const Dialogs::SaveFileRequest request{{{"*.XLS", "*.XLS"}, {"*.xls", "*.xls"}}, "XLS"};
  const std::optional<std::string> path = dialogs_.SaveFileName(request);
  if (!path) {
    skin_.RedrawButton(CommandButton::Save);
    return result;
  }
  result.path = *path;
  // A read-only file is one its owner wants kept: refused before any question.
  if (ReplacingFile::IsReadOnly(*path)) {
    result.outcome = Outcome::Failed;
    result.error = "'" + *path + "' is read-only";
    Tell(*path + " is read-only: it was kept as it is.\rChoose another name, or make the file writable first.",
         kSaveErrorCaption, box::kError);
    skin_.RedrawButton(CommandButton::Save);
    return result;
  }
  bool replace = false;
  if (ReplacingFile::Exists(*path)) {
    messages_.MsgText = *path + "  already exists!\rDo you want to replace it?";
    messages_.MsgCaption = "Query  Information";
    if (dialogs_.MessageBox(messages_.MsgText, messages_.MsgCaption, box::kQuestion) != box::kResultYes) {
      skin_.RedrawButton(CommandButton::Save);
      result.outcome = Outcome::Kept;
      return result;
    }
    // Replaced when the new sheet is complete, not deleted now: a failed write keeps it.
    replace = true;
    skin_.RedrawButton(CommandButton::Save);
  }

  GridXlsWriter writer(dialogs_, exportFeedback_);
  writer.SetDataGrid(grid1_.get());
  writer.SetShowProgress(false);
  writer.SetFileName(*path);
  writer.SetReplaceConfirmed(replace);
  const XlsExportResult exported = writer.ExportFile();
  result.records = exported.records;
  switch (exported.outcome) {
    case XlsExportResult::Outcome::Written:
      result.outcome = Outcome::Saved;
      break;
    case XlsExportResult::Outcome::Declined:
      result.outcome = Outcome::Kept;
      break;
    case XlsExportResult::Outcome::NothingToWrite:
      result.outcome = Outcome::NothingToSave;
      break;
    case XlsExportResult::Outcome::TooManyRows:
    case XlsExportResult::Outcome::Failed:
      result.outcome = Outcome::Failed;
      result.error = exported.error;
      Tell("The readings were not saved: " + exported.error + "." +
               (replace ? "\rThe file that was there is kept as it was." : ""),
           kSaveErrorCaption, box::kError);
      break;
  }
  skin_.RedrawButton(CommandButton::Save);
  return result;
}

std::string MainWindow::ProgramFolder() const {
  if (!programFolder_.empty()) return programFolder_ + "/";
  const std::string executable = ExecutablePath();
  const auto separator = executable.find_last_of("/\\");
  return separator == std::string::npos ? std::string() : executable.substr(0, separator + 1);
}

std::string MainWindow::ReportProjectFile() const {
  const std::string beside = ProgramFolder() + ReportProject::kFileName;
  if (!programFolder_.empty()) return beside;
  // An installed program keeps its data apart from its executable: <prefix>/share/kelvatrix
  // (the Debian package). Beside the executable comes first (a build, Windows); a file in
  // neither place is named as beside it.
  const std::filesystem::path shared =
      std::filesystem::path(ProgramFolder() + "../share/kelvatrix/" + ReportProject::kFileName).lexically_normal();
  std::error_code error;
  if (!std::filesystem::exists(beside, error) && std::filesystem::exists(shared, error)) return shared.string();
  return beside;
}

PrintResult MainWindow::printdatabClick() {
  messages_.MsgText = "Have No Data in Database,Can not to Print!";
  messages_.MsgCaption = "Print Error";
  reportProject1_.SetProjectFile(ReportProjectFile());
  reportProject1_.Open();
  // Closed also when the run fails, so the next Print Data reads the file again: a
  // corrected project takes effect without a restart.
  struct CloseProject {
    ReportProject& project;
    ~CloseProject() { project.Close(); }
  } closeProject{reportProject1_};
  PrintResult result;
  if (table1_->IsEmpty()) {
    dialogs_.MessageBox(messages_.MsgText, messages_.MsgCaption, box::kError);
    result.nothingToPrint = true;
  } else {
    const ReportDefinition& report = reportProject1_.Definition();
    DataSet& rows = *reportConnection1_.GetDataSet();
    // A report that cannot run is refused before any print dialog opens.
    CheckReportFields(report, rows);
    // The preview's own dialogs (a file dialog among them) may read the files of
    // the database's folder, which would drop the locks the open database holds: it is let
    // go meanwhile (the report reads the rows as they are cached) and taken again after.
    table1_->Release();
    const std::string printedAt = skin_.NowText();
    const PrintedJob job = Jobs().PrintReport(report.title, ReportPageSetup(report), [&](PageCanvas& pages) {
      return RenderReport(pages, report, rows, printedAt);
    });
    result.jobs.emplace_back(report.title, job);
  }
  skin_.RedrawButton(CommandButton::PrintData);
  return result;
}

PrintResult MainWindow::RoundButton3Click() {
  PrintResult result;
  const std::pair<const char*, const LineChart*> charts[] = {{"Chart1", &chart1_}, {"Chart2", &chart2_}};
  for (const auto& [title, chart] : charts) {
    const LineChart& drawn = *chart;
    const PrintedJob job = Jobs().PrintPage(title, true, [&drawn](PageCanvas& page) {
      // The chart fills its margins (5, 4, 4 and 5 percent of the page), whatever its
      // proportions on the screen.
      const SizeF sheet = page.PageSize();
      const RectF target{sheet.width * 0.05, sheet.height * 0.04, sheet.width * 0.91, sheet.height * 0.91};
      drawn.PrintInto(page.Drawing(), target, page.Resolution());
      return 1;
    });
    result.jobs.emplace_back(title, job);
  }
  skin_.RedrawButton(CommandButton::PrintGraph);
  return result;
}

void MainWindow::Timer1Timer() {
  skin_.SetStatusText(DevConnected() ? "Connect ok!" : "Disconnect!");
}

}  // namespace kelvatrix
