#pragma once
// The window's table and charts as the download sees them.

#include "protocol/download_targets.h"
#include "platform/database_error.h"
#include "store/measurement_table.h"
#include "views/line_chart.h"

namespace kelvatrix {

class TableRows final : public MeasurementRows {
 public:
  explicit TableRows(MeasurementTable& table) : table_(table) {}
  bool Reset() override {
    return Unlocked([&] { table_.Reset(); });
  }
  void Append() override { table_.Append(); }
  void SetField(std::string_view name, const FieldValue& value) override { table_.SetField(name, value); }
  bool Post() override {
    return Unlocked([&] { table_.Post(); });
  }
  void Cancel() override { table_.Cancel(); }
  void Refresh() override { table_.Refresh(); }
  void Last() override { table_.Last(); }

 private:
  template <typename Operation>
  static bool Unlocked(Operation operation) {
    try {
      operation();
      return true;
    } catch (const DatabaseBusy&) {
      return false;
    }
  }

  MeasurementTable& table_;
};

class ChartSeries final : public ChartTarget {
 public:
  explicit ChartSeries(LineChart& chart) : chart_(chart) {}
  void Clear() override { chart_.Clear(); }
  void SetAutoRepaint(bool on) override { chart_.SetAutoRepaint(on); }
  void AddPoint(double x, double y) override { chart_.AddPoint(x, y); }
  void SetLeftAxisRange(double min, double max) override { chart_.SetLeftAxisRange(min, max); }
  void UndoZoom() override { chart_.UndoZoom(); }

 private:
  LineChart& chart_;
};

}  // namespace kelvatrix
