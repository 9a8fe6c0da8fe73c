#include "gui/qt/round_button.h"

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

  // Every full drawing makes the same face, whatever the image held before: the row and
  // column that the face rectangle leaves out included.
  void aFullDrawingDependsOnNothingLeftInTheImage() {
    RoundButton button(QStringLiteral("Download"));
    button.setGeometry(0, 0, 97, 34);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    button.RedrawNow();
    const QImage first = button.FaceImage().copy();
    // Dirty the kept image, as memory left over from elsewhere would be.
    const_cast<QImage&>(button.FaceImage()).fill(QColor(255, 0, 255));
    button.RedrawNow();
    QCOMPARE(button.FaceImage(), first);
    QCOMPARE(first.pixelColor(96, 33), button.palette().color(QPalette::Window));  // corner, outside the rim
  }

  // Enter clicks the focused button, as Space does.
  void enterAndSpaceClickTheFocusedButton() {
    QWidget window;
    auto* first = new RoundButton(QStringLiteral("Download"), &window);
    auto* second = new RoundButton(QStringLiteral("Save as..."), &window);
    second->move(120, 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    second->setFocus();
    QSignalSpy firstClicked(first, &QPushButton::clicked);
    QSignalSpy secondClicked(second, &QPushButton::clicked);
    QTest::keyClick(second, Qt::Key_Return);
    QTest::keyClick(second, Qt::Key_Enter);
    QTest::keyClick(second, Qt::Key_Space);
    QCOMPARE(secondClicked.count(), 3);
    QCOMPARE(firstClicked.count(), 0);
  }

  // A caption whose trailing blank does not fit is centred without it, not cut at both
  // ends: the face shows the same text as the caption without the blank.
  void aTrailingBlankThatDoesNotFitIsLeftOut() {
    QFont wide;
    wide.setFamilies({QStringLiteral("Liberation Sans")});
    wide.setPixelSize(11);
    const int captionWidth = 97 - 2 * (97 / 5) - 2;  // 56: the caption rectangle of a 97-px button
    if (QFontMetrics(wide).horizontalAdvance(QStringLiteral("Print Graph ")) <= captionWidth) {
      QSKIP("the blank fits in this font");
    }
    const auto face = [&](const QString& caption) {
      RoundButton button(caption);
      button.setFont(wide);
      button.setGeometry(0, 0, 97, 34);
      button.show();
      if (!QTest::qWaitForWindowExposed(&button)) return QImage();
      button.RedrawNow();
      return button.FaceImage().copy();
    };
    QCOMPARE(face(QStringLiteral("Print Graph ")), face(QStringLiteral("Print Graph")));
  }
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::RoundButtonTest)
#include "round_button_test.moc"
