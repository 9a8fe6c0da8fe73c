#include "gui/qt/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QStringList>
#include <QTemporaryDir>

namespace kelvatrix {
namespace {

// Icons and type names from a file's name alone. Qt's own provider reads a file whose
// name leaves its type open (kelvatrix.db-wal, kelvatrix.db-shm) to find the type, and
// closing any descriptor of a file drops every POSIX lock this process holds on it: the
// locks SQLite keeps on the open database, which another client would then overrun.
class NameOnlyIconProvider final : public QFileIconProvider {
 public:
  QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
  QIcon icon(const QFileInfo& info) const override {
    if (info.isDir()) return QFileIconProvider::icon(Folder);
    const QMimeType mime = database_.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    return QIcon::fromTheme(
        mime.iconName(), QIcon::fromTheme(mime.genericIconName(), QFileIconProvider::icon(File)));
  }
  QString type(const QFileInfo& info) const override {
    if (info.isDir()) return QStringLiteral("Folder");
    const QMimeType mime = database_.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
  }

 private:
  QMimeDatabase database_;
};

}  // namespace

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
  // The dialog begins to gather its folder's files as soon as it is made, with Qt's own
  // provider: so it is made on an empty folder, given the provider, and only then turned
  // to the folder the operator starts in. It is Qt's own dialog, which takes a provider:
  // a desktop's native one runs in this process too and reads files to find their types.
  const QString start = QDir::currentPath();
  const QTemporaryDir empty;
  QFileDialog dialog(owner_, QString(), empty.isValid() ? empty.path() : QDir::rootPath());
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  NameOnlyIconProvider icons;
  dialog.setIconProvider(&icons);
  dialog.setDirectory(start);
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
