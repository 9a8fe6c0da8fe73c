#include "views/grid_columns.h"

namespace kelvatrix {
namespace {

constexpr int kGridDefaultColumnWidth = 64;
constexpr int kCellPadding = 4;
constexpr Rgb kTeal{0, 128, 128};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kYellow{255, 255, 0};

}  // namespace

std::string ResolvedTitleCaption(const GridColumn& column, const FieldLookup& fields) {
  if (column.title.caption) return *column.title.caption;
  if (fields) {
    if (const std::optional<FieldFacts> field = fields(column.fieldName))
      return field->displayLabel;
  }
  return column.fieldName;
}

int DefaultColumnWidth(int zeroWidth, int overhang, std::optional<int> fieldDisplayWidth) {
  if (!fieldDisplayWidth) return kGridDefaultColumnWidth;
  return (zeroWidth - overhang) * *fieldDisplayWidth + overhang + kCellPadding;
}

std::vector<GridColumn> MeasurementGridColumns() {
  std::vector<GridColumn> columns(6);
  columns[0].fieldName = "recno";
  columns[0].width = 37;

  columns[1].fieldName = "times";
  columns[1].width = 47;
  columns[1].color = kTeal;
  columns[1].fontColor = kWhite;
  columns[1].title = {"times(s)", kGreen, kWhite};

  columns[2].fieldName = "voltage";
  columns[2].width = 38;
  columns[2].fontColor = kWhite;

  columns[3].fieldName = "unitv";
  columns[3].width = 23;
  columns[3].fontColor = kYellow;
  columns[3].title.caption = "unit";

  columns[4].fieldName = "register";
  columns[4].fontColor = kWhite;
  columns[4].title.caption = "Resistance";

  columns[5].fieldName = "unitr";
  columns[5].width = 70;
  columns[5].fontColor = kYellow;
  columns[5].title.caption = "unit";
  columns[5].autoFitColWidth = false;
  return columns;
}

}  // namespace kelvatrix
