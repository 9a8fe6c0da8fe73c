#include "app/main_window.h"

#include <QDateTime>
#include <QLocale>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QVBoxLayout>

#include "app/download_report.h"
#include "app/panel.h"
#include "app/window_fonts.h"
#include "app/window_placement.h"
#include "export/grid_xls_writer.h"
#include "export/report_renderer.h"
#include "platform/application_title.h"
#include "platform/replacing_file.h"
#include "platform/system_error_text.h"
#include "store/database_error.h"

// The icon is compiled into this static library; registering it here keeps the linker
// from leaving it out.
static void RegisterWindowResources() { Q_INIT_RESOURCE(kelvatrix); }

namespace kelvatrix {
namespace {

const char* const kRefusalText = "sorry, this program only run one instance at a time!";
const char* const kNothingToSaveText = "There are no readings to save: download a run first.";
const char* const kSaveCaption = "Save as...";
const char* const kSaveErrorCaption = "Save Error";

// The window's design: client area 822 x 546 at 232, 347; the command bar 41 high.
constexpr int kDesignClientWidth = 822;
constexpr int kDesignClientHeight = 546;
constexpr int kDesignLeft = 232;
constexpr int kDesignTop = 347;
constexpr int kCommandBarHeight = 41;
constexpr int kGridPaneWidth = 209;
constexpr int kVoltageChartHeight = 247;
constexpr int kResistanceChartHeight = 224;
constexpr int kStripUnderCharts = 30;

LineChartStyle VoltageChart() { return {"Voltage", {255, 0, 0}, "UNIT V", 0, 6000, 100}; }

LineChartStyle ResistanceChart() {
  return {"Resistance", {0, 128, 0}, "UNIT M ohm", 0, Download::kInitialResistanceAxis, 1};
}

}  // namespace

MainWindow::MainWindow(StartupSettings settings, Dialogs& dialogs, MessageLoop& loop,
                       HidBackend& backend, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      settings_(std::move(settings)),
      dialogs_(dialogs),
      chart1_(new ChartView(VoltageChart())),
      chart2_(new ChartView(ResistanceChart())),
      table1_(std::make_unique<MeasurementTable>(kDataSourceName)),
      grid1_(std::make_unique<GridModel>(*table1_, MeasurementGridColumns(), dialogs_, settings_.applicationTitle)),
      table1Rows_(*table1_),
      exchange_(loop, messages_),
      hidCtl_(std::make_unique<HidDeviceController>(loop, backend)),
      selection_(*hidCtl_),
      tableRows_(std::make_unique<TableRows>(*table1_)),
      series1_(std::make_unique<ChartSeries>(chart1_->Chart())),
      series2_(std::make_unique<ChartSeries>(chart2_->Chart())),
      download_(selection_, exchange_, *tableRows_, *series1_, *series2_) {
  // As the window's description assigns them: while loading, no scan is made.
  hidCtl_->SetLoading(true);
  hidCtl_->SetOnEnumerate(HidEnumerateEvent::Bind<&MainWindow::HidCtlEnumerate>(this));
  hidCtl_->SetOnDeviceChange(HidNotifyEvent::Bind<&MainWindow::HidCtlDeviceChange>(this));
  hidCtl_->SetLoading(false);
  reportConnection1_.SetDataSet(&table1Rows_);
  printJobs_ = MakePrinterJobs(this, true);

  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Kelvatrix V1.06"));
  RegisterWindowResources();
  setWindowIcon(QIcon(QStringLiteral(":/kelvatrix-icon.png")));
  setFont(WindowFont());
  resize(kDesignClientWidth, kDesignClientHeight);
  move(kDesignLeft, kDesignTop);

  // The command bar spans the bottom; above it the grid pane keeps its width on the left
  // and the chart pane takes the rest.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  splitter1_ = new PaneSplitter(BuildGridPane(), BuildChartPane(), this);
  splitter1_->setSizes({kGridPaneWidth, kDesignClientWidth - kGridPaneWidth - 1});
  layout->addWidget(splitter1_, 1);
  layout->addWidget(BuildCommandBar());
  SetTabOrder();

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(1000);
  connect(timer1_, &QTimer::timeout, this, &MainWindow::Timer1Timer);
  timer1_->start();
}

MainWindow::~MainWindow() {
  // The grid's view goes before the grid's model it shows, which is a member.
  delete dataGrid1_;
}

QWidget* MainWindow::BuildGridPane() {
  auto* pane = new Panel(QStringLiteral("Panel1"), Panel::Bevel::Raised, Panel::Bevel::None, this);
  auto* fill = new QVBoxLayout(pane);
  fill->setContentsMargins(QMargins(1, 1, 1, 1) * pane->BevelWidth());
  dataGrid1_ = new DataGrid(*grid1_, pane);
  dataGrid1_->setObjectName(QStringLiteral("DataGrid1"));
  fill->addWidget(dataGrid1_);
  return pane;
}

QWidget* MainWindow::BuildChartPane() {
  // Both charts keep their heights; a taller window opens an empty band between them.
  auto* pane = new Panel(QStringLiteral("Panel3"), Panel::Bevel::Raised, Panel::Bevel::Lowered, this);
  auto* column = new QVBoxLayout(pane);
  column->setContentsMargins(QMargins(1, 1, 1, 1) * pane->BevelWidth());
  column->setSpacing(0);
  chart1_->setObjectName(QStringLiteral("Chart1"));
  chart2_->setObjectName(QStringLiteral("Chart2"));
  chart1_->setFixedHeight(kVoltageChartHeight);
  chart2_->setFixedHeight(kResistanceChartHeight);
  // The charts are worked with the mouse; they are no tab stops.
  chart1_->setFocusPolicy(Qt::NoFocus);
  chart2_->setFocusPolicy(Qt::NoFocus);
  auto* strip = new Panel(QStringLiteral("Panel4"), Panel::Bevel::Raised, Panel::Bevel::None, pane);
  strip->setFixedHeight(kStripUnderCharts);
  column->addWidget(chart1_);
  column->addStretch(1);
  column->addWidget(chart2_);
  column->addWidget(strip);
  return pane;
}

QWidget* MainWindow::BuildCommandBar() {
  auto* bar = new Panel(QStringLiteral("Panel2"), Panel::Bevel::Raised, Panel::Bevel::Lowered, this);
  bar->setFixedHeight(kCommandBarHeight);

  label1_ = new QLabel(QStringLiteral("Label1"), bar);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->move(8, 16);
  label1_->adjustSize();

  roundButton1_ = AddCommandButton(bar, QStringLiteral("RoundButton1"), QStringLiteral("Download"), {168, 4, 97, 34});
  saveb_ = AddCommandButton(bar, QStringLiteral("saveb"), QStringLiteral("Save as..."), {303, 4, 98, 34});
  printdatab_ = AddCommandButton(bar, QStringLiteral("printdatab"), QStringLiteral("Print Data"), {464, 4, 97, 34});
  roundButton3_ = AddCommandButton(bar, QStringLiteral("RoundButton3"), QStringLiteral("Print Graph "), {608, 4, 97, 34});
  connect(roundButton1_, &QPushButton::clicked, this, [this] { RoundButton1Click(); });
  connect(saveb_, &QPushButton::clicked, this, [this] { savebClick(); });
  connect(printdatab_, &QPushButton::clicked, this, [this] { printdatabClick(); });
  connect(roundButton3_, &QPushButton::clicked, this, [this] { RoundButton3Click(); });
  return bar;
}

RoundButton* MainWindow::AddCommandButton(QWidget* bar, const QString& name, const QString& caption,
                                          const QRect& bounds) {
  auto* button = new RoundButton(caption, bar);
  button->setObjectName(name);
  button->setGeometry(bounds);
  button->SetColor(QColor(0, 128, 128));
  button->setFont(WindowFont());
  QPalette text = button->palette();
  text.setColor(QPalette::ButtonText, Qt::white);
  button->setPalette(text);
  return button;
}

void MainWindow::SetTabOrder() {
  // Left to right the bar reads Download, Save as..., Print Data, Print Graph; the tab
  // order takes Print Graph before Print Data.
  setTabOrder(dataGrid1_, roundButton1_);
  setTabOrder(roundButton1_, saveb_);
  setTabOrder(saveb_, roundButton3_);
  setTabOrder(roundButton3_, printdatab_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A download ends at once (its stored rows stay): the program exits when its handler
  // returns, rather than going on unseen.
  download_.Stop();
  // An edit the operator made in the grid is kept, as if the grid had been left.
  dataGrid1_->FinishChange();
  QWidget::closeEvent(event);
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
  if (!GuardSingleInstance()) {
    outcome_ = StartupOutcome::Refused;
    // The refused instance stops here: the table belongs to the running one.
    dialogs_.MessageBox(kRefusalText, settings_.applicationTitle, box::kOk);
    return;
  }
  if (!RegisterDataSource(settings_.dataSource, dialogs_)) {
    outcome_ = StartupOutcome::StoppedEarly;
    return;
  }
  PlaceWindow();
  download_.ResAxisMax = Download::kInitialResistanceAxis;
  chart1_->Chart().Clear();
  chart2_->Chart().Clear();
  label1_->setText(QStringLiteral("disconnect!"));
  label1_->adjustSize();
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
      messages_.MsgText = DatabaseProblem(error.what());
      messages_.MsgCaption = kDownloadCaption;
      dialogs_.MessageBox(messages_.MsgText, messages_.MsgCaption, box::kError);
      return {DownloadOutcome::NoDatabase, 0};
    }
  }
  const int writeFailures = exchange_.WriteFailures();
  const DownloadResult result = download_.Run();
  // A run cut short is not passed off as the whole run: the operator hears how many
  // readings were stored and why it stopped.
  const DownloadEnd end{result, DevConnected(), exchange_.WriteFailures() != writeFailures};
  lastDownload_ = end;
  if (const std::optional<std::string> report = DownloadReport(end)) {
    messages_.MsgText = *report;
    messages_.MsgCaption = kDownloadCaption;
    dialogs_.MessageBox(messages_.MsgText, messages_.MsgCaption, box::kError);
  }
  return result;
}

SaveResult MainWindow::savebClick() {
  using Outcome = SaveResult::Outcome;
  SaveResult result;
  // With no readings there is nothing to choose a file for; a file of that name stays.
  if (!table1_->Active() || table1_->IsEmpty()) {
    messages_.MsgText = kNothingToSaveText;
    messages_.MsgCaption = kSaveCaption;
    dialogs_.MessageBox(messages_.MsgText, messages_.MsgCaption, box::kInformation);
    saveb_->RedrawNow();
    result.outcome = Outcome::NothingToSave;
    return result;
  }
  const Dialogs::SaveFileRequest request{{{"*.XLS", "*.XLS"}, {"*.xls", "*.xls"}}, "XLS"};
  const std::optional<std::string> path = dialogs_.SaveFileName(request);
  if (!path) {
    saveb_->RedrawNow();
    return result;
  }
  result.path = *path;
  // A read-only file is one its owner wants kept: refused before any question.
  if (ReplacingFile::IsReadOnly(*path)) {
    result.outcome = Outcome::Failed;
    result.error = "'" + *path + "' is read-only";
    messages_.MsgText = *path +
                        " is read-only: it was kept as it is.\rChoose another name, or make the "
                        "file writable first.";
    messages_.MsgCaption = kSaveErrorCaption;
    dialogs_.MessageBox(messages_.MsgText, messages_.MsgCaption, box::kError);
    saveb_->RedrawNow();
    return result;
  }
  bool replace = false;
  if (ReplacingFile::Exists(*path)) {
    messages_.MsgText = *path + "  already exists!\rDo you want to replace it?";
    messages_.MsgCaption = "Query  Information";
    if (dialogs_.MessageBox(messages_.MsgText, messages_.MsgCaption, box::kQuestion) != box::kResultYes) {
      saveb_->RedrawNow();
      result.outcome = Outcome::Kept;
      return result;
    }
    // Replaced when the new sheet is complete, not deleted now: a failed write keeps it.
    replace = true;
    saveb_->RedrawNow();
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
      messages_.MsgText = "The readings were not saved: " + exported.error + ".";
      if (replace) messages_.MsgText += "\rThe file that was there is kept as it was.";
      messages_.MsgCaption = kSaveErrorCaption;
      dialogs_.MessageBox(messages_.MsgText, messages_.MsgCaption, box::kError);
      break;
  }
  saveb_->RedrawNow();
  return result;
}

std::string MainWindow::ProgramFolder() const {
  if (!programFolder_.empty()) return programFolder_ + "/";
  const std::string executable = ExecutablePath();
  const auto separator = executable.find_last_of("/\\");
  return separator == std::string::npos ? std::string() : executable.substr(0, separator + 1);
}

PrintResult MainWindow::printdatabClick() {
  messages_.MsgText = "Have No Data in Database,Can not to Print!";
  messages_.MsgCaption = "Print Error";
  reportProject1_.SetProjectFile(ProgramFolder() + ReportProject::kFileName);
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
    // The preview's own dialogs (Qt's stock file dialog among them) may read the files of
    // the database's folder, which would drop the locks the open database holds: it is let
    // go meanwhile (the report reads the rows as they are cached) and taken again after.
    table1_->Release();
    const std::string printedAt =
        QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat).toStdString();
    const PrintedJob job = printJobs_->PrintReport(report.title, ReportPageSetup(report), [&](PageCanvas& pages) {
      return RenderReport(pages, report, rows, printedAt);
    });
    result.jobs.emplace_back(report.title, job);
  }
  printdatab_->RedrawNow();
  return result;
}

PrintResult MainWindow::RoundButton3Click() {
  PrintResult result;
  for (ChartView* chart : {chart1_, chart2_}) {
    const std::string title = chart->objectName().toStdString();
    const LineChart& drawn = chart->Chart();
    const PrintedJob job = printJobs_->PrintPage(title, true, [&drawn](PageCanvas& page) {
      // The chart fills its margins (5, 4, 4 and 5 percent of the page), whatever its
      // proportions on the screen.
      const SizeF sheet = page.PageSize();
      const RectF target{sheet.width * 0.05, sheet.height * 0.04, sheet.width * 0.91, sheet.height * 0.91};
      drawn.PrintInto(page.Drawing(), target, page.Resolution());
      return 1;
    });
    result.jobs.emplace_back(title, job);
  }
  roundButton3_->RedrawNow();
  return result;
}

bool MainWindow::GuardSingleInstance() {
  return instanceGuard_.Acquire(settings_.applicationTitle);
}

void MainWindow::PlaceWindow() {
  // The layout is designed around the client area; the outer size includes the frame.
  resize(kDesignClientWidth, kDesignClientHeight);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 0, 0);
  move(CentredEdge(available.width(), kWindowWidth), CentredEdge(available.height(), kWindowHeight));
}

void MainWindow::Timer1Timer() {
  label1_->setText(DevConnected() ? QStringLiteral("Connect ok!") : QStringLiteral("Disconnect!"));
  label1_->adjustSize();
}

}  // namespace kelvatrix
