#pragma once
// The window's table and charts as the download sees them.

#include "protocol/download_targets.h"
#include "views/line_chart.h"
#include "store/measurement_table.h"

namespace kelvatrix {

class TableRows final : public MeasurementRows {
 public:
  explicit TableRows(MeasurementTable& table) : table_(table) {}
  void Reset() override { table_.Reset(); }
  void Append() override { table_.Append(); }
  void SetField(std::string_view name, const FieldValue& value) override { table_.SetField(name, value); }
  void Post() override { table_.Post(); }
  void Refresh() override { table_.Refresh(); }
  void Last() override { table_.Last(); }

 private:
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
