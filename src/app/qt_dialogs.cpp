#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

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
    case box::kIconInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
  }
  const bool second = (flags & box::kDefaultSecond) != 0;
  switch (flags & 0x0F) {
    case box::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(second ? QMessageBox::No : QMessageBox::Yes);
      return box.exec() == QMessageBox::Yes ? box::kResultYes : box::kResultNo;
    case box::kOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(second ? QMessageBox::Cancel : QMessageBox::Ok);
      return box.exec() == QMessageBox::Ok ? box::kResultOk : box::kResultCancel;
    default:
      box.setStandardButtons(QMessageBox::Ok);
      box.exec();
      return box::kResultOk;
  }
}

std::optional<std::string> QtDialogs::SaveFileName(const SaveFileRequest& request) {
  QStringList filters;
  for (const auto& [description, pattern] : request.filter) {
    filters << QString::fromStdString(description) + QStringLiteral(" (") + QString::fromStdString(pattern) +
                   QStringLiteral(")");
  }
  QFileDialog dialog(owner_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The command asks about an existing file itself.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace kelvatrix
