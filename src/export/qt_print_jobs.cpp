#include <QDir>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <exception>
#include <memory>

#include "export/print_jobs.h"

namespace kelvatrix {
namespace {

// The current printer: one QPrinter for the program's life, as the platform keeps one,
// made at the first job (making it asks the print system, which a start need not wait for).
class PrinterJobs final : public PrintJobs {
 public:
  PrinterJobs(QWidget* owner, bool dialogs) : owner_(owner), dialogs_(dialogs) {}

  PrintedJob PrintReport(const QString& title, const QPageLayout& layout,
                         const Render& render) override {
    // The preview needs no printer: from it the report can also be saved as a PDF file.
    if (!dialogs_) Require();
    QPrinter& printer = Printer();
    printer.setDocName(title);
    printer.setPageLayout(layout);
    PrintedJob job;
    job.destination = printer.printerName();
    if (!dialogs_) {
      job.pages = render(printer);
      job.printed = true;
      return job;
    }
    QPrintPreviewDialog preview(&printer, owner_);
    preview.setWindowTitle(title);
    // An error must not unwind through the preview's own code, which would leave the
    // printer half way through a job (and the next job waiting on it for ever): it ends
    // the preview and is raised once the dialog is closed.
    std::exception_ptr failed;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [&](QPrinter* printer) {
      if (failed) return;
      try {
        job.pages = render(*printer);
      } catch (...) {
        failed = std::current_exception();
        QMetaObject::invokeMethod(&preview, &QDialog::reject, Qt::QueuedConnection);
      }
    });
    job.printed = preview.exec() == QDialog::Accepted;
    if (failed) std::rethrow_exception(failed);
    return job;
  }

  PrintedJob PrintPage(const QString& title, QPageLayout::Orientation orientation,
                       const Render& render) override {
    Require();
    QPrinter& printer = Printer();
    const QPageLayout::Orientation remembered = printer.pageLayout().orientation();
    struct Restore {
      QPrinter& printer;
      QPageLayout::Orientation orientation;
      ~Restore() { printer.setPageOrientation(orientation); }
    } restore{printer, remembered};
    printer.setPageOrientation(orientation);
    printer.setDocName(title);
    return {true, render(printer), printer.printerName()};
  }

 private:
  void Require() const {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
      throw PrintError(
          "No printer is set up on this computer. To print into PDF files, start Kelvatrix with "
          "--print-to and a folder");
    }
  }

  QPrinter& Printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
  }

  QWidget* owner_;
  bool dialogs_;
  std::unique_ptr<QPrinter> printer_;
};

// Every job a PDF file of its own, named after the job's title.
class PdfJobs final : public PrintJobs {
 public:
  explicit PdfJobs(QString directory) : directory_(std::move(directory)) {}

  PrintedJob PrintReport(const QString& title, const QPageLayout& layout,
                         const Render& render) override {
    return Print(title, layout, render);
  }

  PrintedJob PrintPage(const QString& title, QPageLayout::Orientation orientation,
                       const Render& render) override {
    QPageLayout layout = QPrinter(QPrinter::HighResolution).pageLayout();
    layout.setOrientation(orientation);
    return Print(title, layout, render);
  }

 private:
  PrintedJob Print(const QString& title, const QPageLayout& layout, const Render& render) {
    QString name = title;
    // A title may hold characters no file name can.
    for (QChar& c : name) {
      if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') ||
          c.unicode() < 32) {
        c = QLatin1Char('_');
      }
    }
    const QString file = QDir(directory_).absoluteFilePath(name + QStringLiteral(".pdf"));
    if (!QDir(directory_).exists())
      throw PrintError("The folder for print files \"" + directory_.toStdString() +
                       "\" does not exist");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setDocName(title);
    printer.setPageLayout(layout);
    const int pages = render(printer);
    if (pages <= 0)
      throw PrintError("The print file \"" + file.toStdString() + "\" cannot be written");
    return {true, pages, file};
  }

  QString directory_;
};

}  // namespace

std::unique_ptr<PrintJobs> MakePrinterJobs(QWidget* owner, bool dialogs) {
  return std::make_unique<PrinterJobs>(owner, dialogs);
}

std::unique_ptr<PrintJobs> MakePdfJobs(const QString& directory) {
  return std::make_unique<PdfJobs>(directory);
}

}  // namespace kelvatrix
