#include "gui/qt/qt_main_window.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QIcon>
#include <QLocale>
#include <QScreen>
#include <QVBoxLayout>

#include "app/window_placement.h"
#include "gui/qt/panel.h"
#include "gui/qt/qt_canvas.h"
#include "gui/qt/qt_print_jobs.h"
#include "gui/qt/window_fonts.h"

// The icon is compiled into this static library; registering it here keeps the linker
// from leaving it out.
static void RegisterWindowResources() { Q_INIT_RESOURCE(kelvatrix); }

namespace kelvatrix {
namespace {

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

}  // namespace

QtMainWindow::QtMainWindow(StartupSettings settings, Dialogs& dialogs, MessageLoop& loop, HidBackend& backend,
                           QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      logic_(std::move(settings), {dialogs, *this, exportFeedback_, ScreenMeasure(), loop, backend}),
      chart1_(new ChartView(logic_.Chart1())),
      chart2_(new ChartView(logic_.Chart2())) {
  logic_.SetPrintJobs(MakePrinterJobs(this, true));
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromLatin1(MainWindow::kTitle));
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
  connect(timer1_, &QTimer::timeout, this, [this] { logic_.Timer1Timer(); });
  timer1_->start();
}

QtMainWindow::~QtMainWindow() {
  // The views go before the logic whose grid and charts they show.
  delete splitter1_;
}

QWidget* QtMainWindow::BuildGridPane() {
  auto* pane = new Panel(QStringLiteral("Panel1"), Panel::Bevel::Raised, Panel::Bevel::None, this);
  auto* fill = new QVBoxLayout(pane);
  fill->setContentsMargins(QMargins(1, 1, 1, 1) * pane->BevelWidth());
  dataGrid1_ = new DataGrid(logic_.Grid1(), pane);
  dataGrid1_->setObjectName(QStringLiteral("DataGrid1"));
  fill->addWidget(dataGrid1_);
  return pane;
}

QWidget* QtMainWindow::BuildChartPane() {
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

QWidget* QtMainWindow::BuildCommandBar() {
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
  connect(roundButton1_, &QPushButton::clicked, this, [this] { logic_.RoundButton1Click(); });
  connect(saveb_, &QPushButton::clicked, this, [this] { logic_.savebClick(); });
  connect(printdatab_, &QPushButton::clicked, this, [this] { logic_.printdatabClick(); });
  connect(roundButton3_, &QPushButton::clicked, this, [this] { logic_.RoundButton3Click(); });
  return bar;
}

RoundButton* QtMainWindow::AddCommandButton(QWidget* bar, const QString& name, const QString& caption,
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

void QtMainWindow::SetTabOrder() {
  // Left to right the bar reads Download, Save as..., Print Data, Print Graph; the tab
  // order takes Print Graph before Print Data.
  setTabOrder(dataGrid1_, roundButton1_);
  setTabOrder(roundButton1_, saveb_);
  setTabOrder(saveb_, roundButton3_);
  setTabOrder(roundButton3_, printdatab_);
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
  logic_.FormClose();
  QWidget::closeEvent(event);
}

void QtMainWindow::SetStatusText(const std::string& text) {
  label1_->setText(QString::fromStdString(text));
  label1_->adjustSize();
}

void QtMainWindow::PlaceWindow() {
  // The layout is designed around the client area; the outer size includes the frame.
  resize(kDesignClientWidth, kDesignClientHeight);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 0, 0);
  move(CentredEdge(available.width(), kWindowWidth), CentredEdge(available.height(), kWindowHeight));
}

void QtMainWindow::RedrawButton(CommandButton button) {
  switch (button) {
    case CommandButton::Download: roundButton1_->RedrawNow(); break;
    case CommandButton::Save: saveb_->RedrawNow(); break;
    case CommandButton::PrintData: printdatab_->RedrawNow(); break;
    case CommandButton::PrintGraph: roundButton3_->RedrawNow(); break;
  }
}

std::string QtMainWindow::NowText() {
  return QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat).toStdString();
}

}  // namespace kelvatrix
