#include "store/measurement_data_set.h"

#include <algorithm>
#include <charconv>

namespace kelvatrix {

class MeasurementDataSet::ColumnField final : public DataSetField {
 public:
  ColumnField(MeasurementDataSet& owner, int column)
      : owner_(owner),
        column_(column),
        facts_(MeasurementTable::kFields[static_cast<std::size_t>(column)]),
        displayLabel_(facts_.name) {}

  std::string FieldName() const override { return std::string(facts_.name); }
  int Index() const override {
    const auto& order = owner_.order_;
    return static_cast<int>(std::find(order.begin(), order.end(), this) - order.begin());
  }
  void SetIndex(int index) override { owner_.Move(this, index); }
  std::string DisplayLabel() const override { return displayLabel_; }
  void SetDisplayLabel(const std::string& label) override { displayLabel_ = label; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  FieldType DataType() const override {
    return facts_.kind == TableField::Kind::Integer ? FieldType::Integer : FieldType::String;
  }

  bool IsNull() const override { return !Value(); }
  std::int64_t AsInteger() const override {
    if (IsNull()) return 0;
    const std::string text = Trimmed();
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
      throw DataSetError("'" + AsString() + "' is not a valid integer value");
    return number;
  }
  double AsDouble() const override {
    if (IsNull()) return 0;
    const std::string text = Trimmed();
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
      throw DataSetError("'" + AsString() + "' is not a valid floating point value");
    return number;
  }
  std::string AsString() const override { return Value().value_or(std::string()); }
  std::vector<std::uint8_t> AsBytes() const override {
    const std::string text = AsString();
    return {text.begin(), text.end()};
  }

 private:
  const OdbcText& Value() const { return owner_.table_.Value(owner_.CurrentRecord(), column_); }
  // The value as text without the blanks at its ends, which a number's text may carry.
  std::string Trimmed() const {
    std::string text = AsString();
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }

  MeasurementDataSet& owner_;
  int column_;
  const TableField& facts_;
  std::string displayLabel_;
  bool visible_ = true;
};

MeasurementDataSet::MeasurementDataSet(MeasurementTable& table) : table_(table) {
  for (int column = 0; column < MeasurementTable::kFieldCount; ++column) {
    fields_.push_back(std::make_unique<ColumnField>(*this, column));
    order_.push_back(fields_.back().get());
  }
}

MeasurementDataSet::~MeasurementDataSet() = default;

DataSetField& MeasurementDataSet::Field(int index) {
  if (index < 0 || index >= FieldCount())
    throw DataSetError("List index out of bounds (" + std::to_string(index) + ")");
  return *order_[static_cast<std::size_t>(index)];
}

DataSetField& MeasurementDataSet::FieldByName(const std::string& name) {
  for (ColumnField* field : order_) {
    if (field->FieldName() == name) return *field;
  }
  throw DataSetError("savedata: Field '" + name + "' not found");
}

void MeasurementDataSet::Move(ColumnField* field, int index) {
  const auto from = std::find(order_.begin(), order_.end(), field);
  order_.erase(from);
  index = std::clamp(index, 0, static_cast<int>(order_.size()));
  order_.insert(order_.begin() + index, field);
}

void MeasurementDataSet::First() {
  walking_ = true;
  walk_ = 0;
}

void MeasurementDataSet::Next() {
  if (!walking_) {
    walking_ = true;
    walk_ = table_.CurrentRow();
  }
  if (walk_ < RecordCount()) ++walk_;
}

bool MeasurementDataSet::Eof() const {
  return CurrentRecord() >= RecordCount() || RecordCount() == 0;
}

bool MeasurementDataSet::BookmarkValid(Bookmark bookmark) const {
  return bookmark >= 0 && bookmark < RecordCount();
}

void MeasurementDataSet::GotoBookmark(Bookmark bookmark) {
  walking_ = false;
  if (BookmarkValid(bookmark) && bookmark != table_.CurrentRow())
    table_.MoveTo(static_cast<int>(bookmark));
}

void MeasurementDataSet::EnableControls() {
  if (controlsDisabled_ > 0) --controlsDisabled_;
}

}  // namespace kelvatrix
