#pragma once
// Where print jobs go. The program's print commands hand their pages over here; the
// choice of device is made once, at start: the current printer (with the report engine's
// own output dialogs: preview, printer, PDF file), or PDF files in a folder (--print-to),
// named after each job's title, with no dialog at all.

#include <QPageLayout>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>

class QPrinter;
class QWidget;

namespace kelvatrix {

// A printer or a print file that cannot be used.
class PrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PrintedJob {
  bool printed = false;  // false: the operator cancelled
  int pages = 0;
  QString destination;  // the printer's name, or the file written
};

class PrintJobs {
 public:
  // Paints every page of a job on the printer it is given; returns the number of pages.
  using Render = std::function<int(QPrinter&)>;

  virtual ~PrintJobs() = default;
  // A report laid out on `layout`. Where it goes is the operator's choice in the print
  // dialogs, except where the jobs go to files or dialogs are off.
  virtual PrintedJob PrintReport(const QString& title, const QPageLayout& layout,
                                 const Render& render) = 0;
  // A job on the current printer without a dialog, with the printer turned to
  // `orientation` for this job only: its orientation is restored, also when printing fails.
  virtual PrintedJob PrintPage(const QString& title, QPageLayout::Orientation orientation,
                               const Render& render) = 0;
};

// The current printer. With `dialogs`, a report opens the print preview, from which the
// operator prints it or saves it as PDF; without (--batch), it goes straight to the printer.
std::unique_ptr<PrintJobs> MakePrinterJobs(QWidget* owner, bool dialogs);
// PDF files in `directory`, "<title>.pdf" each.
std::unique_ptr<PrintJobs> MakePdfJobs(const QString& directory);

}  // namespace kelvatrix
