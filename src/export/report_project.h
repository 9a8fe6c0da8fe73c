#pragma once
// The report-project file: what the data report prints and how. A small text format, one
// setting a line, "#" starting a comment:
//
//   page A4 portrait                       A3, A4, A5, Letter or Legal; portrait or landscape
//   margins 15 12 15 15                    left, top, right, bottom, in millimetres
//   font Liberation Sans 9                 family, then size in points
//   title Insulation resistance test       heading of the first page, and the job's title
//   header Kelvatrix - printed {date}      a line at the top of every page
//   footer Page {page} of {pages}          a line at the foot of every page
//   summary yes                            the run's insulation indices above the rows
//   column register "Resistance" 26 right  field, caption, width in mm, left/right/center
//
// {date}, {page} and {pages} stand for the date of printing and the page numbers. At
// least one column; every other setting has a default. A line that is not one of these is
// an error naming the file and the line. Standard library only.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvatrix {

// Raised by the report engine: a project that cannot be loaded, a report that cannot run.
class ReportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ReportColumn {
  enum class Align { Left, Right, Center };
  std::string field;
  std::string caption;
  double widthMm = 20;
  Align align = Align::Left;
};

struct ReportDefinition {
  enum class PageSize { A3, A4, A5, Letter, Legal };
  PageSize pageSize = PageSize::A4;
  bool landscape = false;
  double marginsMm[4] = {15, 12, 15, 15};  // left, top, right, bottom
  std::string fontFamily = "Liberation Sans";
  double fontPoints = 9;
  std::string title = "Report";
  std::string header;
  std::string footer = "Page {page} of {pages}";
  bool summary = false;
  std::vector<ReportColumn> columns;
};

struct ReportParse {
  std::optional<ReportDefinition> definition;
  std::string error;  // "line 7: ..." when the text is not a report project
};

ReportParse ParseReportProject(const std::string& text);

// `text` with {date}, {page} and {pages} filled in.
std::string FillPlaceholders(std::string text, const std::string& date, int page, int pages);

// The project: loaded from its file at every Open, unloaded by Close.
class ReportProject {
 public:
  static constexpr const char* kFileName = "kelvatrix.rpt";

  void SetProjectFile(std::string path) { projectFile_ = std::move(path); }
  const std::string& ProjectFile() const { return projectFile_; }
  // Loads the file; raises ReportError when it does not exist, cannot be read or is not a
  // report project. An open project stays as it is.
  void Open();
  void Close() { definition_.reset(); }
  bool IsOpen() const { return definition_.has_value(); }
  const ReportDefinition& Definition() const;

 private:
  std::string projectFile_;
  std::optional<ReportDefinition> definition_;
};

}  // namespace kelvatrix
