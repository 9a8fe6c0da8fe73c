#pragma once
// What the download writes to, as the Qt-free protocol sees it: the measurement table
// and the two charts. The window gives it its real table and charts.

#include <string>
#include <string_view>
#include <variant>

namespace kelvatrix {

using FieldValue = std::variant<long long, std::string>;

// The table `savedata`. Errors of the database layer escape as exceptions and end the
// download, but one: a database that another client keeps locked for now, which Reset
// and Post answer with false, having changed nothing, so that they can be tried again.
class MeasurementRows {
 public:
  virtual ~MeasurementRows() = default;
  virtual bool Reset() = 0;  // close, empty, open
  virtual void Append() = 0;
  virtual void SetField(std::string_view name, const FieldValue& value) = 0;
  virtual bool Post() = 0;    // false: the row stays unposted
  virtual void Cancel() = 0;  // drops the unposted row
  virtual void Refresh() = 0;
  virtual void Last() = 0;
};

// One line chart with its one series.
class ChartTarget {
 public:
  virtual ~ChartTarget() = default;
  virtual void Clear() = 0;
  virtual void SetAutoRepaint(bool on) = 0;
  virtual void AddPoint(double x, double y) = 0;
  virtual void SetLeftAxisRange(double min, double max) = 0;
  virtual void UndoZoom() = 0;
};

}  // namespace kelvatrix
