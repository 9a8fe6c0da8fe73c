#pragma once
// A grid and data set in memory for the worksheet writer's tests: fields of any kind with
// values per record, columns with any titles, visibility and footers.

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "export/export_feedback.h"
#include "store/data_set.h"
#include "views/grid_columns.h"

namespace kelvatrix::test {

using Value =
    std::variant<std::monostate, std::int64_t, double, std::string, std::vector<std::uint8_t>>;

class FakeDataSet;

class FakeField final : public DataSetField {
 public:
  FakeField(FakeDataSet& owner, std::string name, FieldType type)
      : owner_(owner), name_(std::move(name)), type_(type), label_(name_) {}
  std::string FieldName() const override { return name_; }
  int Index() const override;
  void SetIndex(int index) override;
  std::string DisplayLabel() const override { return label_; }
  void SetDisplayLabel(const std::string& label) override { label_ = label; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  FieldType DataType() const override { return type_; }
  bool IsNull() const override { return std::holds_alternative<std::monostate>(Current()); }
  std::int64_t AsInteger() const override { return std::get<std::int64_t>(Current()); }
  double AsDouble() const override { return std::get<double>(Current()); }
  std::string AsString() const override { return std::get<std::string>(Current()); }
  std::vector<std::uint8_t> AsBytes() const override {
    return std::get<std::vector<std::uint8_t>>(Current());
  }

  std::vector<Value> values;  // one per record

 private:
  const Value& Current() const;

  FakeDataSet& owner_;
  std::string name_;
  FieldType type_;
  std::string label_;
  bool visible_ = true;
};

class FakeDataSet final : public DataSet {
 public:
  FakeField& AddField(const std::string& name, FieldType type) {
    fields_.push_back(std::make_unique<FakeField>(*this, name, type));
    order_.push_back(fields_.back().get());
    return *fields_.back();
  }
  // Appends one record: a value per field, in the order the fields were added.
  void AddRecord(const std::vector<Value>& values) {
    for (std::size_t i = 0; i < fields_.size(); ++i)
      fields_[i]->values.push_back(i < values.size() ? values[i] : Value{});
    ++records_;
  }

  bool IsEmpty() const override { return records_ == 0; }
  bool Active() const override { return active; }
  int FieldCount() const override { return static_cast<int>(order_.size()); }
  DataSetField& Field(int index) override { return *order_.at(static_cast<std::size_t>(index)); }
  DataSetField& FieldByName(const std::string& name) override {
    for (FakeField* field : order_) {
      if (field->FieldName() == name) return *field;
    }
    throw DataSetError("Field '" + name + "' not found");
  }
  void First() override { current = 0; }
  void Next() override { ++current; }
  bool Eof() const override { return current >= records_; }
  int RecNo() const override { return current + 1; }
  int RecordCount() const override { return records_; }
  Bookmark GetBookmark() const override { return current; }
  bool BookmarkValid(Bookmark bookmark) const override {
    return bookmark >= 0 && bookmark < records_;
  }
  void GotoBookmark(Bookmark bookmark) override { current = static_cast<int>(bookmark); }
  void DisableControls() override { ++disabled; }
  void EnableControls() override { --disabled; }

  bool active = true;
  int current = 0;
  int disabled = 0;

 private:
  friend class FakeField;
  std::vector<std::unique_ptr<FakeField>> fields_;
  std::vector<FakeField*> order_;
  int records_ = 0;
};

inline int FakeField::Index() const {
  const auto& order = owner_.order_;
  return static_cast<int>(std::find(order.begin(), order.end(), this) - order.begin());
}
inline void FakeField::SetIndex(int index) {
  auto& order = owner_.order_;
  order.erase(std::find(order.begin(), order.end(), this));
  order.insert(order.begin() + std::clamp(index, 0, static_cast<int>(order.size())), this);
}
inline const Value& FakeField::Current() const {
  return values.at(static_cast<std::size_t>(owner_.current));
}

class FakeGrid final : public ColumnGrid {
 public:
  const std::vector<GridColumn>& Columns() const override { return columns; }
  std::string TitleCaption(int column) const override {
    const GridColumn& c = columns.at(static_cast<std::size_t>(column));
    return c.title.caption.value_or(c.fieldName);
  }
  int FooterRowCount() const override { return footerRowCount; }
  DataSet& GridDataSet() override { return data; }

  GridColumn& AddColumn(const std::string& field,
                        std::optional<std::string> caption = std::nullopt) {
    GridColumn column;
    column.fieldName = field;
    column.title.caption = std::move(caption);
    columns.push_back(column);
    return columns.back();
  }

  std::vector<GridColumn> columns;
  int footerRowCount = 0;
  FakeDataSet data;
};

// Records what the export shows.
class RecordingFeedback final : public ExportFeedback {
 public:
  void SetWaitCursor(bool waiting) override { calls.push_back(waiting ? "wait" : "default"); }
  void ShowProgress(int maximum) override {
    calls.push_back("progress 0-" + std::to_string(maximum));
  }
  void SetProgress(int position) override { calls.push_back("at " + std::to_string(position)); }
  void CloseProgress() override { calls.push_back("close"); }
  std::vector<std::string> calls;
};

}  // namespace kelvatrix::test
