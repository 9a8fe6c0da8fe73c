#pragma once
// Where print jobs go. The program's print commands hand their pages over here; the
// choice of device is made once, at start: the current printer (with the report's own
// output dialogs where the front end has them: preview, printer, PDF file), or PDF files
// in a folder (--print-to), named after each job's title, with no dialog at all. Each
// front end implements it.

#include <array>
#include <functional>
#include <stdexcept>
#include <string>

#include "draw/canvas.h"

namespace kelvatrix {

// A printer or a print file that cannot be used.
class PrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PrintedJob {
  bool printed = false;  // false: the operator cancelled
  int pages = 0;
  std::string destination;  // the printer's name, or the file written
};

// The paper of a job.
struct PageSetup {
  enum class Paper { A3, A4, A5, Letter, Legal };
  Paper paper = Paper::A4;
  bool landscape = false;
  std::array<double, 4> marginsMm{};  // left, top, right, bottom
};

class PrintJobs {
 public:
  // Paints every page of a job; returns the number of pages (0: the printer could not be
  // used).
  using Render = std::function<int(PageCanvas&)>;

  virtual ~PrintJobs() = default;
  // A report on `setup`'s paper, the canvas's origin at the margins' top left. Where it
  // goes is the operator's choice in the print dialogs, except where the jobs go to files
  // or dialogs are off.
  virtual PrintedJob PrintReport(const std::string& title, const PageSetup& setup, const Render& render) = 0;
  // A job on the current printer's paper without a dialog, turned landscape or portrait for
  // this job only, the canvas covering the whole sheet.
  virtual PrintedJob PrintPage(const std::string& title, bool landscape, const Render& render) = 0;
};

// A title made fit for a file name: characters no file name can hold become "_".
std::string PrintFileName(const std::string& title);

}  // namespace kelvatrix
