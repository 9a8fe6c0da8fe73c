#pragma once
// The header of a worksheet, built from a grid's column titles: a title holding "|" is
// split over as many header rows, its first part on the first row. The header has as many
// rows as the most-split title of any column needs (hidden columns counted), and one cell
// per visible column on each of them.

#include <string>
#include <vector>

#include "views/grid_columns.h"

namespace kelvatrix {

class GridTitle {
 public:
  explicit GridTitle(const ColumnGrid& grid);

  int VisibleColumnCount() const { return visibleColumnCount_; }
  int HeaderRowCount() const { return headerRowCount_; }
  // The text of header row `row` in the `column`-th visible column; empty where the
  // column's title has no part for that row.
  const std::string& Cell(int column, int row) const;

 private:
  void BuildCells(const ColumnGrid& grid);

  int visibleColumnCount_ = 0;
  int headerRowCount_ = 1;
  // [visible column][header row]
  std::vector<std::vector<std::string>> titleCell_;
};

}  // namespace kelvatrix
