#pragma once
// Print jobs on Windows: the current printer through a printer device context (with the
// system's Print dialog for a report where dialogs are on), or, for --print-to, every page
// an enhanced metafile (EMF) in a folder, named after the job's title and the page's
// number, which LibreOffice and Windows' own viewers open.

#include "gui/win32/windows_api.h"

#include <memory>
#include <string>

#include "export/print_jobs.h"

namespace kelvatrix {

std::unique_ptr<PrintJobs> MakePrinterJobs(HWND owner, bool dialogs);
std::unique_ptr<PrintJobs> MakeMetafileJobs(const std::string& folder);

}  // namespace kelvatrix
