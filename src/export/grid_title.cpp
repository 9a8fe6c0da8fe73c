#include "export/grid_title.h"

#include <algorithm>

namespace kelvatrix {

GridTitle::GridTitle(const ColumnGrid& grid) {
  const std::vector<GridColumn>& columns = grid.Columns();
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    if (columns[static_cast<std::size_t>(i)].visible) ++visibleColumnCount_;
    const std::string caption = grid.TitleCaption(i);
    const int bars = static_cast<int>(std::count(caption.begin(), caption.end(), '|'));
    headerRowCount_ = std::max(headerRowCount_, 1 + bars);
  }
  BuildCells(grid);
}

void GridTitle::BuildCells(const ColumnGrid& grid) {
  titleCell_.assign(static_cast<std::size_t>(visibleColumnCount_),
                    std::vector<std::string>(static_cast<std::size_t>(headerRowCount_)));
  const std::vector<GridColumn>& columns = grid.Columns();
  std::size_t visible = 0;
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    if (!columns[static_cast<std::size_t>(i)].visible) continue;
    std::vector<std::string>& rows = titleCell_[visible++];
    std::string caption = grid.TitleCaption(i);
    std::size_t row = 0;
    // Parts are taken as they are: not trimmed, empty ones stay empty.
    for (std::size_t bar; (bar = caption.find('|')) != std::string::npos; ++row) {
      rows[row] = caption.substr(0, bar);
      caption.erase(0, bar + 1);
    }
    rows[row] = caption;
  }
}

const std::string& GridTitle::Cell(int column, int row) const {
  return titleCell_.at(static_cast<std::size_t>(column)).at(static_cast<std::size_t>(row));
}

}  // namespace kelvatrix
