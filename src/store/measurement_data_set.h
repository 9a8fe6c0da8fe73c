#pragma once
// The measurement table as a data set for readers that walk its records (the worksheet
// writer): its six fields in table order, each with a position, display label and
// visibility of its own, and a read cursor of its own. Walking the records never moves the
// table's current row, so the grid that follows the table neither scrolls nor posts
// anything while a reader walks; the current row before a walk is the one after it.

#include <memory>
#include <vector>

#include "store/data_set.h"
#include "store/measurement_table.h"

namespace kelvatrix {

class MeasurementDataSet final : public DataSet {
 public:
  explicit MeasurementDataSet(MeasurementTable& table);
  ~MeasurementDataSet() override;

  bool IsEmpty() const override { return table_.IsEmpty(); }
  bool Active() const override { return table_.Active(); }
  int FieldCount() const override { return static_cast<int>(order_.size()); }
  DataSetField& Field(int index) override;
  DataSetField& FieldByName(const std::string& name) override;

  void First() override;
  void Next() override;
  bool Eof() const override;
  int RecNo() const override { return CurrentRecord() + 1; }
  int RecordCount() const override { return table_.RecordCount(); }

  Bookmark GetBookmark() const override { return CurrentRecord(); }
  bool BookmarkValid(Bookmark bookmark) const override;
  void GotoBookmark(Bookmark bookmark) override;
  void DisableControls() override { ++controlsDisabled_; }
  void EnableControls() override;

 private:
  class ColumnField;
  friend class ColumnField;

  int CurrentRecord() const { return walking_ ? walk_ : table_.CurrentRow(); }
  void Move(ColumnField* field, int index);

  MeasurementTable& table_;
  std::vector<std::unique_ptr<ColumnField>> fields_;  // in the table's column order
  std::vector<ColumnField*> order_;                   // by position
  bool walking_ = false;
  int walk_ = 0;
  int controlsDisabled_ = 0;
};

}  // namespace kelvatrix
