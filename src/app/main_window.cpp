#include "app/main_window.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/window_placement.h"
#include "controls/round_button.h"

namespace kelvatrix {
namespace {

const char* const kRefusalText = "sorry, this program only run one instance at a time!";

// The window's design: client area 822 x 546 at 232, 347; the command bar 41 high.
constexpr int kDesignClientWidth = 822;
constexpr int kDesignClientHeight = 546;
constexpr int kDesignLeft = 232;
constexpr int kDesignTop = 347;
constexpr int kCommandBarHeight = 41;
constexpr int kVoltageChartHeight = 247;
constexpr int kResistanceChartHeight = 224;
constexpr int kStripUnderCharts = 30;

LineChartStyle VoltageChart() {
  return {QStringLiteral("Voltage"), QColor(255, 0, 0), QStringLiteral("UNIT V"), 0, 6000, 100};
}

LineChartStyle ResistanceChart() {
  return {QStringLiteral("Resistance"), QColor(0, 128, 0), QStringLiteral("UNIT M ohm"), 0,
          Download::kInitialResistanceAxis, 1};
}

}  // namespace

MainWindow::MainWindow(StartupSettings settings, Dialogs& dialogs, MessageLoop& loop,
                       HidBackend& backend, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      settings_(std::move(settings)),
      dialogs_(dialogs),
      chart1_(new LineChart(VoltageChart())),
      chart2_(new LineChart(ResistanceChart())),
      table1_(std::make_unique<MeasurementTable>(QString::fromLatin1(kDataSourceName), this)),
      hidCtl_(std::make_unique<HidDeviceController>(loop, backend)),
      selection_(*hidCtl_),
      exchange_(loop, messages_),
      tableRows_(std::make_unique<TableRows>(*table1_)),
      series1_(std::make_unique<ChartSeries>(*chart1_)),
      series2_(std::make_unique<ChartSeries>(*chart2_)),
      download_(selection_, exchange_, *tableRows_, *series1_, *series2_) {
  // As the window's description assigns them: while loading, no scan is made.
  hidCtl_->SetLoading(true);
  hidCtl_->SetOnEnumerate(HidEnumerateEvent::Bind<&MainWindow::HidCtlEnumerate>(this));
  hidCtl_->SetOnDeviceChange(HidNotifyEvent::Bind<&MainWindow::HidCtlDeviceChange>(this));
  hidCtl_->SetLoading(false);
  download_.SetDecimalSeparator(QLocale().decimalPoint().toStdString());

  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Kelvatrix V1.06"));
  resize(kDesignClientWidth, kDesignClientHeight);
  move(kDesignLeft, kDesignTop);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(BuildChartPane(), 1);
  panel2_ = new QFrame(this);
  panel2_->setObjectName(QStringLiteral("Panel2"));
  panel2_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel2_->setFixedHeight(kCommandBarHeight);
  layout->addWidget(panel2_);

  label1_ = new QLabel(QStringLiteral("Label1"), panel2_);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->move(8, 16);
  label1_->adjustSize();

  auto* download = new RoundButton(QStringLiteral("Download"), panel2_);
  download->setObjectName(QStringLiteral("RoundButton1"));
  download->setGeometry(168, 4, 97, 34);
  download->SetColor(QColor(0, 128, 128));
  QFont buttonFont(QStringLiteral("MS Sans Serif"));
  buttonFont.setPixelSize(11);
  download->setFont(buttonFont);
  QPalette buttonPalette = download->palette();
  buttonPalette.setColor(QPalette::ButtonText, Qt::white);
  download->setPalette(buttonPalette);
  downloadButton_ = download;
  connect(downloadButton_, &QPushButton::clicked, this, [this] { RoundButton1Click(); });

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(1000);
  connect(timer1_, &QTimer::timeout, this, &MainWindow::Timer1Timer);
  timer1_->start();
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::BuildChartPane() {
  // Both charts keep their heights; a taller window opens an empty band between them.
  auto* pane = new QFrame(this);
  pane->setObjectName(QStringLiteral("Panel3"));
  pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* column = new QVBoxLayout(pane);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(0);
  chart1_->setObjectName(QStringLiteral("Chart1"));
  chart2_->setObjectName(QStringLiteral("Chart2"));
  chart1_->setFixedHeight(kVoltageChartHeight);
  chart2_->setFixedHeight(kResistanceChartHeight);
  column->addWidget(chart1_);
  column->addStretch(1);
  column->addWidget(chart2_);
  column->addSpacing(kStripUnderCharts);
  return pane;
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
  chart1_->Clear();
  chart2_->Clear();
  label1_->setText(QStringLiteral("disconnect!"));
  label1_->adjustSize();
  selection_.CreateDevList();
  // The same handler again: the controller ignores it, so no search starts here.
  hidCtl_->SetOnDeviceChange(HidNotifyEvent::Bind<&MainWindow::HidCtlDeviceChange>(this));
  table1_->Reset();
}

bool MainWindow::HidCtlEnumerate(HidDevice& device, std::int32_t index) {
  return selection_.HidCtlEnumerate(device, index);
}

void MainWindow::HidCtlDeviceChange(HidDeviceController& sender) { selection_.HidCtlDeviceChange(sender); }

DownloadResult MainWindow::RoundButton1Click() { return download_.Run(); }

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
