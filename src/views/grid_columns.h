#pragma once
// The measurement grid's column model: which field each column shows, under which title,
// in which colours and width. The worksheet writer reads the same objects for its header,
// so this is the one description of the grid's columns. Standard library only.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_colours.h"
#include "store/data_set.h"

namespace kelvatrix {

struct FooterCell {
  std::string value;
};

struct ColumnTitle {
  // Unset: the field's display label, or the field name when the data set has no such field.
  std::optional<std::string> caption;
  std::optional<Rgb> color;      // unset: the grid's fixed colour
  std::optional<Rgb> fontColor;  // unset: the grid's title font colour
};

struct GridColumn {
  std::string fieldName;
  bool visible = true;
  std::optional<int> width;      // pixels; unset: the default width
  std::optional<Rgb> color;      // unset: the grid's colour
  std::optional<Rgb> fontColor;  // unset: the grid's font colour
  ColumnTitle title;
  FooterCell footer;
  std::vector<FooterCell> footers;
  // Whether the column is resized when the grid fits its columns to its width.
  bool autoFitColWidth = true;
};

// What the grid knows about a field of its data set.
struct FieldFacts {
  std::string displayLabel;
  int displayWidth = 0;  // characters
};
using FieldLookup = std::function<std::optional<FieldFacts>(std::string_view fieldName)>;

// The title a column shows.
std::string ResolvedTitleCaption(const GridColumn& column, const FieldLookup& fields);

// Width of a column without a width of its own: room for the field's display width in
// "0" characters of the column's font, or the grid's default of 64 without a field.
int DefaultColumnWidth(int zeroWidth, int overhang, std::optional<int> fieldDisplayWidth);

// The six columns of the measurement grid.
std::vector<GridColumn> MeasurementGridColumns();

// What a grid offers those who read it whole (the worksheet writer): its columns, the
// titles it shows for them, its footer rows and the data set behind it.
class ColumnGrid {
 public:
  virtual ~ColumnGrid() = default;
  virtual const std::vector<GridColumn>& Columns() const = 0;
  virtual std::string TitleCaption(int column) const = 0;
  virtual int FooterRowCount() const = 0;
  virtual DataSet& GridDataSet() = 0;
};

}  // namespace kelvatrix
