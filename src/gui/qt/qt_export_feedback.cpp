#include "gui/qt/qt_export_feedback.h"

#include <QApplication>

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <algorithm>

namespace kelvatrix {

QtExportFeedback::~QtExportFeedback() {
  CloseProgress();
  SetWaitCursor(false);
}

void QtExportFeedback::SetWaitCursor(bool waiting) {
  if (waiting == waiting_) return;
  waiting_ = waiting;
  if (waiting) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtExportFeedback::ShowProgress(int maximum) {
  if (window_) return;
  auto* window = new QFrame(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setObjectName(QStringLiteral("ProgressForm"));
  window->setFixedSize(300, 100);
  window->setStyleSheet(QStringLiteral("QFrame#ProgressForm { border: 1px solid black; }"));
  QFont font(QStringLiteral("宋体"));
  font.setPointSize(9);
  window->setFont(font);

  auto* panel = new QFrame(window);
  panel->setGeometry(1, 1, 298, 98);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(1);

  auto* label = new QLabel(QStringLiteral("正在导出数据，请稍候......"), panel);
  QFont bold = font;
  bold.setBold(true);
  label->setFont(bold);
  label->move(24, 24);
  label->adjustSize();

  auto* gauge = new QProgressBar(panel);
  gauge->setObjectName(QStringLiteral("ProgressGauge"));
  gauge->setGeometry(19, 49, 260, 13);
  gauge->setRange(0, std::max(0, maximum));
  gauge->setValue(0);
  gauge->setTextVisible(true);
  gauge->setAlignment(Qt::AlignCenter);
  gauge->setStyleSheet(
      QStringLiteral("QProgressBar { background: white; border: 1px solid black; }"
                     "QProgressBar::chunk { background: blue; }"));

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    window->move(area.center() - QPoint(150, 50));
  }
  window_ = window;
  gauge_ = gauge;
  window->show();
  window->repaint();
}

void QtExportFeedback::SetProgress(int position) {
  if (!gauge_) return;
  gauge_->setValue(position);
  gauge_->repaint();
}

void QtExportFeedback::CloseProgress() {
  if (window_) window_->close();
  window_ = nullptr;
  gauge_ = nullptr;
}

}  // namespace kelvatrix
