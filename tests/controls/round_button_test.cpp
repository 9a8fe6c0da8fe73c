#include "controls/round_button.h"

#include <QSignalSpy>
#include <QTest>

namespace kelvatrix {

class RoundButtonTest : public QObject {
  Q_OBJECT

 private slots:
  void clicksCountInsideTheEllipseOnlyAndADoubleClickIsTwo() {
    RoundButton button(QStringLiteral("Download"));
    button.setGeometry(0, 0, 97, 34);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QSignalSpy clicked(&button, &QPushButton::clicked);

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(2, 2));  // corner: outside
    QCOMPARE(clicked.count(), 0);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(48, 17));
    QCOMPARE(clicked.count(), 1);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(48, 17));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(48, 17));
    QTest::mouseDClick(&button, Qt::LeftButton, {}, QPoint(48, 17));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(48, 17));
    QCOMPARE(clicked.count(), 3);
  }

  void faceIsA24BitImageInTheButtonsColour() {
    RoundButton button(QStringLiteral("Save as..."));
    button.setGeometry(0, 0, 98, 34);
    button.SetColor(QColor(0, 128, 128));
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    button.RedrawNow();
    const QImage& face = button.FaceImage();
    QCOMPARE(face.format(), QImage::Format_RGB888);
    QCOMPARE(face.size(), QSize(98, 34));
    // Near the middle, away from the caption, the face is the button's colour.
    QCOMPARE(face.pixelColor(15, 17), QColor(0, 128, 128));
  }
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::RoundButtonTest)
#include "round_button_test.moc"
