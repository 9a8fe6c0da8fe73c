#pragma once
// The program's one window, without a window system: everything the window owns and what
// its handlers do. A front end's main window (the skin) builds the widgets over it, lays
// them out and forwards the operator's events here; --batch drives it with no window.
//
// Start-up (FormCreate) runs in a fixed order: single-instance guard, data source
// registration, window size and position (and the resistance axis bound), chart series
// cleared, status text, device list, device-change handler, table reset. The first search
// for the meter follows from the controller's start-up notice, at the first message pump.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/download_report.h"
#include "app/download_targets.h"
#include "app/window_skin.h"
#include "export/export_feedback.h"
#include "export/print_jobs.h"
#include "export/report_data_connection.h"
#include "export/report_project.h"
#include "hid/hid_device_controller.h"
#include "platform/data_source_registration.h"
#include "platform/dialogs.h"
#include "platform/instance_guard.h"
#include "protocol/download.h"
#include "protocol/meter_exchange.h"
#include "protocol/meter_selection.h"
#include "store/measurement_data_set.h"
#include "store/measurement_table.h"
#include "views/grid_model.h"
#include "views/line_chart.h"

namespace kelvatrix {

// What Save as... did, for --batch.
struct SaveResult {
  enum class Outcome { Saved, Cancelled, Kept, NothingToSave, Failed };
  Outcome outcome = Outcome::Cancelled;
  std::string path;
  int records = 0;
  std::string error;
};

// What a print command did, for --batch: one entry a job.
struct PrintResult {
  bool nothingToPrint = false;
  std::vector<std::pair<std::string, PrintedJob>> jobs;  // title, job
};

struct StartupSettings {
  std::string applicationTitle;
  DataSourceSettings dataSource;
};

// What the window works with that a front end provides.
struct WindowPorts {
  Dialogs& dialogs;
  WindowSkin& skin;
  ExportFeedback& exportFeedback;
  TextMeasure& screen;  // how the screen lays text out, for the charts
  MessageLoop& loop;
  HidBackend& backend;
};

class MainWindow {
 public:
  enum class StartupOutcome {
    Started,       // every step ran
    Refused,       // another instance runs; the window must not be shown
    StoppedEarly,  // registration failed; the later steps were skipped
    Failed,        // a step raised an error, shown in the standard error box
  };

  static constexpr const char* kTitle = "Kelvatrix V1.06";
  static constexpr const char* kRefusalText = "sorry, this program only run one instance at a time!";

  // The skin is not asked anything before FormCreate.
  MainWindow(StartupSettings settings, const WindowPorts& ports);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Runs FormCreate the way the window framework does: an error escaping it is shown in
  // the standard error box, and the window still opens.
  StartupOutcome RunFormCreate();
  // The error text of a Failed start-up.
  const std::string& StartupError() const { return startupError_; }

  void FormCreate();
  void Timer1Timer();
  // The Download command. Reports nothing to the operator (but a meter it may not open);
  // the result is for --batch.
  DownloadResult RoundButton1Click();
  // How the last download that ran ended.
  const DownloadEnd& LastDownload() const { return lastDownload_; }
  // What keeps the selected meter from being used (found, but not to be opened for reading
  // and writing), or nothing.
  std::optional<std::string> MeterAccessProblem() const;
  // Save as...: the save dialog, the question before replacing a file, the worksheet.
  SaveResult savebClick();
  // Print Data: the report project over the table. Raises what the report engine raises
  // (a missing or malformed project file, a printer that cannot be used).
  PrintResult printdatabClick();
  // Print Graph: each chart on a landscape page of its own, on the current printer.
  PrintResult RoundButton3Click();
  // The window is closing: a download ends at once (its stored rows stay), and an edit
  // the operator made in the grid is kept, as if the grid had been left.
  void FormClose();

  // Where print jobs go; the front end sets the current printer with its dialogs.
  void SetPrintJobs(std::unique_ptr<PrintJobs> jobs) { printJobs_ = std::move(jobs); }
  ReportProject& ReportProject1() { return reportProject1_; }
  // Where Print Data looks for the report-project file instead of the executable's folder.
  void SetProgramFolder(std::string folder) { programFolder_ = std::move(folder); }
  bool HidCtlEnumerate(HidDevice& device, std::int32_t index);
  void HidCtlDeviceChange(HidDeviceController& sender);

  const StartupSettings& Settings() const { return settings_; }
  MeasurementTable& Table1() { return *table1_; }
  GridModel& Grid1() { return *grid1_; }
  LineChart& Chart1() { return chart1_; }
  LineChart& Chart2() { return chart2_; }
  HidDeviceController& HidCtl() { return *hidCtl_; }
  const MeterSelection& Selection() const { return selection_; }
  const FormMessages& Messages() const { return messages_; }
  bool DevConnected() const { return selection_.DevConnected(); }
  double ResAxisMax() const { return download_.ResAxisMax; }

 private:
  // The folder of the report-project file, with its separator.
  std::string ProgramFolder() const;
  // The report-project file Print Data reads.
  std::string ReportProjectFile() const;
  // What the operator is told of a database that cannot be opened: the file, the reason.
  std::string DatabaseProblem(const std::string& driverText) const;
  void Tell(const std::string& text, const char* caption, int flags);
  PrintJobs& Jobs();

  StartupSettings settings_;
  Dialogs& dialogs_;
  WindowSkin& skin_;
  ExportFeedback& exportFeedback_;
  InstanceGuard instanceGuard_;
  StartupOutcome outcome_ = StartupOutcome::Started;
  std::string startupError_;

  LineChart chart1_;
  LineChart chart2_;
  std::unique_ptr<MeasurementTable> table1_;
  std::unique_ptr<GridModel> grid1_;
  MeasurementDataSet table1Rows_;  // the table as the report reads it
  ReportProject reportProject1_;
  std::string programFolder_;
  ReportDataConnection reportConnection1_;
  std::unique_ptr<PrintJobs> printJobs_;
  // Declared before the controller and the devices: a device's reader may still hand a
  // report to ReplyData while the devices are given back at exit.
  FormMessages messages_;
  MeterExchange exchange_;
  std::unique_ptr<HidDeviceController> hidCtl_;
  MeterSelection selection_;
  std::unique_ptr<TableRows> tableRows_;
  std::unique_ptr<ChartSeries> series1_;
  std::unique_ptr<ChartSeries> series2_;
  Download download_;
  DownloadEnd lastDownload_;
};

}  // namespace kelvatrix
