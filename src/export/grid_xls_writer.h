#pragma once
// Writes the records behind a grid as a bare BIFF worksheet: the title cell (row 0,
// column 3), the header rows from the grid's column titles, one row per record with one
// cell per field of the data set, then the footer rows. Standard library only.
//
// Sound behaviour beyond the classic writer's: the file is written beside the target and
// moved over it when complete, so a failed write (full disk, no permission) leaves any
// old file as it was, and the caller learns what went wrong; a sheet that would pass the
// format's 65,536 rows is refused before anything is written; integers beyond an RK value
// go out as NUMBER, texts beyond a LABEL are cut at its limit, binary fields are written
// as hexadecimal text, and texts are converted to Windows-1252.

#include <cstdint>
#include <string>

#include "export/biff_records.h"
#include "export/export_feedback.h"
#include "platform/dialogs.h"
#include "views/grid_columns.h"

namespace kelvatrix {

struct XlsExportResult {
  enum class Outcome {
    Written,         // the sheet is in the file
    NothingToWrite,  // empty or closed data set, or a blank file name: nothing touched
    Declined,        // the operator kept the existing file
    TooManyRows,     // the sheet would not fit the format: nothing touched
    Failed,          // the file could not be written; an existing file is as it was
  };
  Outcome outcome = Outcome::NothingToWrite;
  int records = 0;
  std::string error;  // for TooManyRows and Failed
};

class GridXlsWriter {
 public:
  static constexpr int kMaxRows = 65536;
  static constexpr const char* kOverwriteCaption = "提示";

  GridXlsWriter(Dialogs& dialogs, ExportFeedback& feedback)
      : dialogs_(dialogs), feedback_(feedback) {}

  void SetDataGrid(ColumnGrid* grid) { dataGrid_ = grid; }
  void SetShowProgress(bool show) { showProgress_ = show; }
  bool ShowProgress() const { return showProgress_; }
  void SetTitleName(std::string title) { titleName_ = std::move(title); }
  void SetFileName(std::string name) { fileName_ = std::move(name); }
  // The caller has already asked whether an existing file may be replaced: the writer
  // does not ask again.
  void SetReplaceConfirmed(bool confirmed) { replaceConfirmed_ = confirmed; }

  // One complete export. Raises only what preparing the fields raises (a column naming no
  // field of the data set).
  XlsExportResult ExportFile();

  // The overwrite question for `fileName`.
  static std::string OverwriteQuestion(const std::string& fileName);

 private:
  class Sheet;

  void PrepareFields();
  // Title, header, data and footer rows together.
  long long SheetRows(int headerRows) const;
  int FooterRows() const;

  Dialogs& dialogs_;
  ExportFeedback& feedback_;
  ColumnGrid* dataGrid_ = nullptr;
  bool showProgress_ = true;
  std::string titleName_;
  std::string fileName_;
  bool replaceConfirmed_ = false;
};

}  // namespace kelvatrix
