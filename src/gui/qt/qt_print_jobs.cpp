#include "gui/qt/qt_print_jobs.h"

#include <QDir>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <exception>
#include <memory>

#include "gui/qt/qt_canvas.h"

namespace kelvatrix {
namespace {

QPageSize PageSizeOf(PageSetup::Paper paper) {
  switch (paper) {
    case PageSetup::Paper::A3:
      return QPageSize(QPageSize::A3);
    case PageSetup::Paper::A5:
      return QPageSize(QPageSize::A5);
    case PageSetup::Paper::Letter:
      return QPageSize(QPageSize::Letter);
    case PageSetup::Paper::Legal:
      return QPageSize(QPageSize::Legal);
    case PageSetup::Paper::A4:
      break;
  }
  return QPageSize(QPageSize::A4);
}

// The job's pages on `printer`; no pages when it cannot be opened.
int RenderOn(QPrinter& printer, const PrintJobs::Render& render) {
  QtPageCanvas pages(printer);
  if (!pages.Begun()) return 0;
  const int count = render(pages);
  pages.End();
  return count;
}

// The current printer: one QPrinter for the program's life, as the platform keeps one,
// made at the first job (making it asks the print system, which a start need not wait for).
class PrinterJobs final : public PrintJobs {
 public:
  PrinterJobs(QWidget* owner, bool dialogs) : owner_(owner), dialogs_(dialogs) {}

  PrintedJob PrintReport(const std::string& title, const PageSetup& setup, const Render& render) override {
    // The preview needs no printer: from it the report can also be saved as a PDF file.
    if (!dialogs_) Require();
    QPrinter& printer = Printer();
    printer.setDocName(QString::fromStdString(title));
    printer.setFullPage(false);
    printer.setPageLayout(ToQPageLayout(setup));
    PrintedJob job;
    job.destination = printer.printerName().toStdString();
    if (!dialogs_) {
      job.pages = RenderOn(printer, render);
      job.printed = true;
      return job;
    }
    QPrintPreviewDialog preview(&printer, owner_);
    preview.setWindowTitle(QString::fromStdString(title));
    // An error must not unwind through the preview's own code, which would leave the
    // printer half way through a job (and the next job waiting on it for ever): it ends
    // the preview and is raised once the dialog is closed.
    std::exception_ptr failed;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [&](QPrinter* printer) {
      if (failed) return;
      try {
        job.pages = RenderOn(*printer, render);
      } catch (...) {
        failed = std::current_exception();
        QMetaObject::invokeMethod(&preview, &QDialog::reject, Qt::QueuedConnection);
      }
    });
    job.printed = preview.exec() == QDialog::Accepted;
    if (failed) std::rethrow_exception(failed);
    return job;
  }

  PrintedJob PrintPage(const std::string& title, bool landscape, const Render& render) override {
    Require();
    QPrinter& printer = Printer();
    // The printer's orientation and margins are the user's: this job turns the paper and
    // draws on the whole sheet, and leaves both as they were, also when printing fails.
    struct Restore {
      QPrinter& printer;
      QPageLayout::Orientation orientation;
      bool fullPage;
      ~Restore() {
        printer.setPageOrientation(orientation);
        printer.setFullPage(fullPage);
      }
    } restore{printer, printer.pageLayout().orientation(), printer.fullPage()};
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setDocName(QString::fromStdString(title));
    return {true, RenderOn(printer, render), printer.printerName().toStdString()};
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

  PrintedJob PrintReport(const std::string& title, const PageSetup& setup, const Render& render) override {
    return Print(title, ToQPageLayout(setup), false, render);
  }

  PrintedJob PrintPage(const std::string& title, bool landscape, const Render& render) override {
    QPageLayout layout = QPrinter(QPrinter::HighResolution).pageLayout();
    layout.setOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    return Print(title, layout, true, render);
  }

 private:
  PrintedJob Print(const std::string& title, const QPageLayout& layout, bool fullPage, const Render& render) {
    const QString file =
        QDir(directory_).absoluteFilePath(QString::fromStdString(PrintFileName(title)) + QStringLiteral(".pdf"));
    if (!QDir(directory_).exists())
      throw PrintError("The folder for print files \"" + directory_.toStdString() +
                       "\" does not exist");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setDocName(QString::fromStdString(title));
    printer.setPageLayout(layout);
    printer.setFullPage(fullPage);
    const int pages = RenderOn(printer, render);
    if (pages <= 0)
      throw PrintError("The print file \"" + file.toStdString() + "\" cannot be written");
    return {true, pages, file.toStdString()};
  }

  QString directory_;
};

}  // namespace

QPageLayout ToQPageLayout(const PageSetup& setup) {
  const QMarginsF margins(setup.marginsMm[0], setup.marginsMm[1], setup.marginsMm[2], setup.marginsMm[3]);
  return QPageLayout(PageSizeOf(setup.paper), setup.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                     margins, QPageLayout::Millimeter);
}

std::unique_ptr<PrintJobs> MakePrinterJobs(QWidget* owner, bool dialogs) {
  return std::make_unique<PrinterJobs>(owner, dialogs);
}

std::unique_ptr<PrintJobs> MakePdfJobs(const QString& directory) {
  return std::make_unique<PdfJobs>(directory);
}

}  // namespace kelvatrix
