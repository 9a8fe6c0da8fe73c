#include "app/qt_dialogs.h"

#include <QMessageBox>

namespace kelvatrix {

int QtDialogs::MessageBox(const std::string& text, const std::string& caption, int flags) {
  QString shown = QString::fromStdString(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));

  QMessageBox box(owner_);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(shown);
  switch (flags & 0xF0) {
    case box::kIconError: box.setIcon(QMessageBox::Critical); break;
    case box::kIconQuestion: box.setIcon(QMessageBox::Question); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
  }
  const bool yesNo = (flags & 0x0F) == box::kYesNo;
  if (yesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton((flags & box::kDefaultSecond) ? QMessageBox::No : QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  const int chosen = box.exec();
  if (!yesNo) return box::kResultOk;
  return chosen == QMessageBox::Yes ? box::kResultYes : box::kResultNo;
}

}  // namespace kelvatrix
