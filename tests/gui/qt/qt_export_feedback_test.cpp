#include "gui/qt/qt_export_feedback.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

namespace kelvatrix {

class QtExportFeedbackTest : public QObject {
  Q_OBJECT

 private slots:
  void progressWindowIsTheSmallFramedBoxWithItsTextAndBar() {
    QtExportFeedback feedback;
    feedback.ShowProgress(40);
    QWidget* window = feedback.ProgressWindow();
    QVERIFY(window != nullptr);
    QVERIFY(window->isVisible());
    QCOMPARE(window->size(), QSize(300, 100));
    QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
    const auto* label = window->findChild<QLabel*>();
    QVERIFY(label != nullptr);
    QCOMPARE(label->text(), QStringLiteral("正在导出数据，请稍候......"));
    QVERIFY(label->font().bold());
    auto* gauge = window->findChild<QProgressBar*>();
    QVERIFY(gauge != nullptr);
    QCOMPARE(gauge->size(), QSize(260, 13));
    QCOMPARE(gauge->maximum(), 40);
    feedback.SetProgress(10);
    QCOMPARE(gauge->value(), 10);
    feedback.CloseProgress();
    QVERIFY(feedback.ProgressWindow() == nullptr);
  }

  void waitCursorIsSetAndTakenBackOnce() {
    QtExportFeedback feedback;
    feedback.SetWaitCursor(true);
    feedback.SetWaitCursor(true);
    QVERIFY(QApplication::overrideCursor() != nullptr);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    feedback.SetWaitCursor(false);
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::QtExportFeedbackTest)
#include "qt_export_feedback_test.moc"
