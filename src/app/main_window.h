#pragma once
// The program's one window. It owns everything the program keeps; its handlers are thin
// calls into the store and the Qt-free libraries.
//
// Start-up (FormCreate) runs in a fixed order: single-instance guard, data source
// registration, window size and position (and the resistance axis bound), chart series
// cleared, status text, device list, device-change handler, table reset. The first search
// for the meter follows from the controller's start-up notice, at the first message pump.

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/download_report.h"
#include "app/download_targets.h"
#include "app/pane_splitter.h"
#include "gui/qt/round_button.h"
#include "gui/qt/qt_print_jobs.h"
#include "export/qt_export_feedback.h"
#include "export/report_data_connection.h"
#include "export/report_project.h"
#include "hid/hid_device_controller.h"
#include "platform/data_source_registration.h"
#include "platform/dialogs.h"
#include "platform/instance_guard.h"
#include "protocol/download.h"
#include "protocol/meter_exchange.h"
#include "protocol/meter_selection.h"
#include "store/measurement_table.h"
#include "gui/qt/chart_view.h"
#include "gui/qt/data_grid.h"
#include "views/grid_model.h"

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

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  enum class StartupOutcome {
    Started,          // every step ran
    Refused,          // another instance runs; the window must not be shown
    StoppedEarly,     // registration failed; the later steps were skipped
    Failed,           // a step raised an error, shown in the standard error box
  };

  MainWindow(StartupSettings settings, Dialogs& dialogs, MessageLoop& loop, HidBackend& backend,
             QWidget* parent = nullptr);
  ~MainWindow() override;

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
  // Where print jobs go: the current printer with its dialogs unless set otherwise.
  void SetPrintJobs(std::unique_ptr<PrintJobs> jobs) { printJobs_ = std::move(jobs); }
  ReportProject& ReportProject1() { return reportProject1_; }
  // Where Print Data looks for the report-project file instead of the executable's folder.
  void SetProgramFolder(std::string folder) { programFolder_ = std::move(folder); }
  bool HidCtlEnumerate(HidDevice& device, std::int32_t index);
  void HidCtlDeviceChange(HidDeviceController& sender);

  QLabel* Label1() const { return label1_; }
  QTimer* Timer1() const { return timer1_; }
  MeasurementTable& Table1() { return *table1_; }
  ChartView& Chart1() { return *chart1_; }
  ChartView& Chart2() { return *chart2_; }
  HidDeviceController& HidCtl() { return *hidCtl_; }
  const MeterSelection& Selection() const { return selection_; }
  const FormMessages& Messages() const { return messages_; }
  DataGrid& DataGrid1() { return *dataGrid1_; }
  GridModel& Grid1() { return *grid1_; }
  PaneSplitter& Splitter1() { return *splitter1_; }
  RoundButton* DownloadButton() const { return roundButton1_; }
  RoundButton* SaveButton() const { return saveb_; }
  RoundButton* PrintDataButton() const { return printdatab_; }
  RoundButton* PrintGraphButton() const { return roundButton3_; }
  bool DevConnected() const { return selection_.DevConnected(); }
  double ResAxisMax() const { return download_.ResAxisMax; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool GuardSingleInstance();
  void PlaceWindow();
  QWidget* BuildGridPane();
  QWidget* BuildChartPane();
  QWidget* BuildCommandBar();
  RoundButton* AddCommandButton(QWidget* bar, const QString& name, const QString& caption, const QRect& bounds);
  void SetTabOrder();
  // The folder of the report-project file, with its separator.
  std::string ProgramFolder() const;
  // What the operator is told of a database that cannot be opened: the file, the reason.
  std::string DatabaseProblem(const std::string& driverText) const;

  StartupSettings settings_;
  Dialogs& dialogs_;
  QtExportFeedback exportFeedback_;
  InstanceGuard instanceGuard_;
  StartupOutcome outcome_ = StartupOutcome::Started;
  std::string startupError_;

  QLabel* label1_ = nullptr;
  QTimer* timer1_ = nullptr;
  RoundButton* roundButton1_ = nullptr;
  RoundButton* saveb_ = nullptr;
  RoundButton* printdatab_ = nullptr;
  RoundButton* roundButton3_ = nullptr;
  PaneSplitter* splitter1_ = nullptr;
  DataGrid* dataGrid1_ = nullptr;
  ChartView* chart1_ = nullptr;
  ChartView* chart2_ = nullptr;
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
