#include "app/main_window.h"

#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "app/window_placement.h"

namespace kelvatrix {
namespace {

const char* const kRefusalText = "sorry, this program only run one instance at a time!";

// The window's design: client area 822 x 546 at 232, 347; the command bar 41 high.
constexpr int kDesignClientWidth = 822;
constexpr int kDesignClientHeight = 546;
constexpr int kDesignLeft = 232;
constexpr int kDesignTop = 347;
constexpr int kCommandBarHeight = 41;

}  // namespace

MainWindow::MainWindow(StartupSettings settings, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      settings_(std::move(settings)),
      dialogs_(dialogs),
      table1_(std::make_unique<MeasurementTable>(QString::fromLatin1(kDataSourceName), this)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Kelvatrix V1.06"));
  resize(kDesignClientWidth, kDesignClientHeight);
  move(kDesignLeft, kDesignTop);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addStretch(1);
  panel2_ = new QFrame(this);
  panel2_->setObjectName(QStringLiteral("Panel2"));
  panel2_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel2_->setFixedHeight(kCommandBarHeight);
  layout->addWidget(panel2_);

  label1_ = new QLabel(QStringLiteral("Label1"), panel2_);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->move(8, 16);
  label1_->adjustSize();

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(1000);
  connect(timer1_, &QTimer::timeout, this, &MainWindow::Timer1Timer);
  timer1_->start();
}

MainWindow::~MainWindow() = default;

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
  label1_->setText(QStringLiteral("disconnect!"));
  label1_->adjustSize();
  table1_->Reset();
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
  label1_->setText(devConnected_ ? QStringLiteral("Connect ok!") : QStringLiteral("Disconnect!"));
  label1_->adjustSize();
}

}  // namespace kelvatrix
