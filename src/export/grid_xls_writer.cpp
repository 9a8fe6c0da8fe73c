#include "export/grid_xls_writer.h"

#include <algorithm>
#include <cstdio>

#include "export/grid_title.h"
#include "platform/replacing_file.h"

namespace kelvatrix {
namespace {

// The integer kinds go to RK cells; the real kinds to NUMBER cells.
bool IsIntegerKind(FieldType type) {
  return type == FieldType::SmallInt || type == FieldType::Integer || type == FieldType::Word ||
         type == FieldType::AutoInc;
}
bool IsRealKind(FieldType type) {
  return type == FieldType::Float || type == FieldType::Currency || type == FieldType::Bcd;
}
bool IsBinaryKind(FieldType type) {
  return type == FieldType::Bytes || type == FieldType::VarBytes;
}

std::string Hexadecimal(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::string TrimControls(const std::string& text) {
  const auto below33 = [](char c) { return static_cast<unsigned char>(c) < 33; };
  const auto first = std::find_if_not(text.begin(), text.end(), below33);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), below33).base();
  return first < last ? std::string(first, last) : std::string();
}

class FileSink final : public biff::ByteSink {
 public:
  explicit FileSink(ReplacingFile& file) : file_(file) {}
  bool Write(const void* data, std::size_t size) override { return file_.Write(data, size); }

 private:
  ReplacingFile& file_;
};

std::string WithThousands(long long value) {
  std::string digits = std::to_string(value);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
    digits.insert(static_cast<std::size_t>(i), ",");
  return digits;
}

}  // namespace

// One sheet being written: the cell cursor and the records at it.
class GridXlsWriter::Sheet {
 public:
  Sheet(biff::ByteSink& out, ColumnGrid& grid, ExportFeedback* progress)
      : out_(out), grid_(grid), data_(grid.GridDataSet()), progress_(progress) {}

  bool Write(const std::string& titleName) {
    cellCol_ = 0;
    cellRow_ = 0;
    biff::WriteBof(out_);
    cellCol_ = 3;
    Label(titleName);
    cellCol_ = 0;
    ++cellRow_;
    HeaderRows();
    DataRows();
    FooterRows();
    return biff::WriteEof(out_);
  }
  int Records() const { return records_; }

 private:
  std::uint16_t Row() const { return static_cast<std::uint16_t>(cellRow_); }
  std::uint16_t Col() const { return static_cast<std::uint16_t>(cellCol_); }
  void Label(const std::string& utf8) {
    biff::WriteLabel(out_, Row(), Col(), biff::ToWindows1252(utf8));
  }
  void Advance() {
    if (cellCol_ == data_.FieldCount() - 1) {
      ++cellRow_;
      cellCol_ = 0;
    } else {
      ++cellCol_;
    }
  }

  void HeaderRows() {
    const GridTitle title(grid_);
    for (int row = 0; row < title.HeaderRowCount(); ++row) {
      for (int column = 0; column < title.VisibleColumnCount(); ++column) {
        cellCol_ = column;
        Label(title.Cell(column, row));
      }
      ++cellRow_;
    }
    cellCol_ = 0;
  }

  void DataCell(DataSetField& field) {
    const FieldType type = field.DataType();
    if (field.IsNull() || !field.Visible()) {
      biff::WriteBlank(out_, Row(), Col());
    } else if (IsIntegerKind(type)) {
      const std::int64_t value = field.AsInteger();
      if (biff::FitsRk(value)) {
        biff::WriteRk(out_, Row(), Col(), static_cast<std::int32_t>(value));
      } else {
        biff::WriteNumber(out_, Row(), Col(), static_cast<double>(value));
      }
    } else if (IsRealKind(type)) {
      biff::WriteNumber(out_, Row(), Col(), field.AsDouble());
    } else if (field.IsBlob()) {
      biff::WriteLabel(out_, Row(), Col(), {});
    } else if (IsBinaryKind(type)) {
      biff::WriteLabel(out_, Row(), Col(), Hexadecimal(field.AsBytes()));
    } else {
      Label(field.AsString());
    }
    Advance();
  }

  void DataRows() {
    ForEachRecord(data_, [this] {
      for (int i = 0; i < data_.FieldCount(); ++i) DataCell(data_.Field(i));
      ++records_;
      if (progress_) progress_->SetProgress(data_.RecNo());
    });
  }

  void FooterRows() {
    const int footerRows = grid_.FooterRowCount();
    if (footerRows == 0) return;
    cellCol_ = 0;
    for (const GridColumn& column : grid_.Columns()) {
      if (!column.visible) continue;
      if (footerRows == 1) {
        Label(column.footer.value);
      } else {
        for (const FooterCell& footer : column.footers) {
          Label(footer.value);
          ++cellRow_;
        }
        cellRow_ -= static_cast<int>(column.footers.size());
      }
      ++cellCol_;
    }
    cellCol_ = 0;
  }

  biff::ByteSink& out_;
  ColumnGrid& grid_;
  DataSet& data_;
  ExportFeedback* progress_;
  int cellCol_ = 0;
  int cellRow_ = 0;
  int records_ = 0;
};

std::string GridXlsWriter::OverwriteQuestion(const std::string& fileName) {
  return "已存在文件（" + fileName + "），是否覆盖？";
}

void GridXlsWriter::PrepareFields() {
  DataSet& data = dataGrid_->GridDataSet();
  const std::vector<GridColumn>& columns = dataGrid_->Columns();
  for (int k = 0; k < static_cast<int>(columns.size()); ++k) {
    const GridColumn& column = columns[static_cast<std::size_t>(k)];
    data.FieldByName(column.fieldName).SetIndex(k);
    data.FieldByName(column.fieldName).SetDisplayLabel(dataGrid_->TitleCaption(k));
    data.FieldByName(column.fieldName).SetVisible(column.visible);
  }
  for (int i = 0; i < data.FieldCount(); ++i) {
    DataSetField& field = data.Field(i);
    if (field.DisplayLabel().find("*****") != std::string::npos) field.SetVisible(false);
  }
}

int GridXlsWriter::FooterRows() const {
  const int footerRows = dataGrid_->FooterRowCount();
  if (footerRows <= 1) return footerRows;
  std::size_t deepest = 0;
  for (const GridColumn& column : dataGrid_->Columns()) {
    if (column.visible) deepest = std::max(deepest, column.footers.size());
  }
  return static_cast<int>(deepest);
}

long long GridXlsWriter::SheetRows(int headerRows) const {
  return 1LL + headerRows + dataGrid_->GridDataSet().RecordCount() + FooterRows();
}

XlsExportResult GridXlsWriter::ExportFile() {
  using Outcome = XlsExportResult::Outcome;
  if (!dataGrid_) return {};
  DataSet& data = dataGrid_->GridDataSet();
  if (data.IsEmpty() || !data.Active()) return {};
  if (TrimControls(fileName_).empty()) return {};
  PrepareFields();

  // Row numbers are 16 bits: a longer sheet would wrap onto its own first rows.
  const long long rows = SheetRows(GridTitle(*dataGrid_).HeaderRowCount());
  if (rows > kMaxRows) {
    return {Outcome::TooManyRows, 0,
            "the sheet would need " + WithThousands(rows) +
                " rows, and an .xls worksheet holds at most " + WithThousands(kMaxRows)};
  }

  feedback_.SetWaitCursor(true);
  struct CleanUp {
    GridXlsWriter& writer;
    ~CleanUp() {
      if (writer.showProgress_) writer.feedback_.CloseProgress();
      writer.feedback_.SetWaitCursor(false);
    }
  } cleanUp{*this};

  if (ReplacingFile::Exists(fileName_) && !replaceConfirmed_ &&
      dialogs_.MessageBox(OverwriteQuestion(fileName_), kOverwriteCaption,
                          box::kQuestionDefaultNo) != box::kResultYes) {
    return {Outcome::Declined, 0, {}};
  }
  if (showProgress_) feedback_.ShowProgress(data.RecordCount());

  ReplacingFile file(fileName_);
  if (!file.Open()) return {Outcome::Failed, 0, file.Error()};
  FileSink sink(file);
  Sheet sheet(sink, *dataGrid_, showProgress_ ? &feedback_ : nullptr);
  try {
    sheet.Write(titleName_);
  } catch (const std::exception& error) {
    // A value the data layer cannot convert: the old file stays, the new one goes.
    return {Outcome::Failed, 0, "cannot write '" + fileName_ + "': " + error.what()};
  }
  if (!file.Commit()) return {Outcome::Failed, 0, file.Error()};
  return {Outcome::Written, sheet.Records(), {}};
}

}  // namespace kelvatrix
