#pragma once
// Print jobs on Qt: the current printer (QPrinter, with Qt's print preview as the report's
// output dialog), or PDF files in a folder.

#include <QPageLayout>
#include <QString>

#include <memory>

#include "export/print_jobs.h"

class QWidget;

namespace kelvatrix {

QPageLayout ToQPageLayout(const PageSetup& setup);

// The current printer. With `dialogs`, a report opens the print preview, from which the
// operator prints it or saves it as PDF; without (--batch), it goes straight to the printer.
std::unique_ptr<PrintJobs> MakePrinterJobs(QWidget* owner, bool dialogs);
// PDF files in `directory`, "<title>.pdf" each.
std::unique_ptr<PrintJobs> MakePdfJobs(const QString& directory);

}  // namespace kelvatrix
