#pragma once
// The measurement grid on Windows: a list view in virtual mode over the shared grid model
// (GridModel), with the row indicator in a narrow first column, the columns' titles,
// widths and colours, and an editor laid over the cell being changed. The keys and their
// meaning are the grid's own: Insert, Ctrl+Delete, Escape, Down on the last row, F2 or
// Enter or typing to edit, Ctrl+Tab to leave.

#include "gui/win32/windows_api.h"


#include <string>

#include "views/grid_model.h"

namespace kelvatrix {

class GridWindow final : private GridModel::Listener {
 public:
  GridWindow(GridModel& grid, HWND parent, HFONT font);
  ~GridWindow() override;
  GridWindow(const GridWindow&) = delete;
  GridWindow& operator=(const GridWindow&) = delete;

  HWND Handle() const { return list_; }
  // The parent's WM_NOTIFY for the list; returns the notice's result.
  LRESULT Notify(const NMHDR& notice);
  // The cell being edited, or -1.
  int EditedColumn() const { return editColumn_; }

 private:
  // GridModel::Listener
  void Reset() override;
  void RowsShown(int first, int last) override;
  void RowsRemoved(int first, int last) override;
  void RowChanged(int row) override;
  void IndicatorChanged(int row) override;
  void CurrentRowMoved(int row) override;
  void RowsPending() override;

  static LRESULT CALLBACK ListSubclass(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  static LRESULT CALLBACK EditorSubclass(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  bool Key(WPARAM key);
  void ApplyColumns();
  void SyncCount();
  LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);
  // Draws a cell whole: its colours, its text, the lines to its right and below it.
  void DrawCell(HDC dc, int row, int subItem);
  void DrawIndicator(HDC dc, const RECT& cell, GridModel::Indicator indicator);
  LRESULT HeaderDraw(NMCUSTOMDRAW& draw);
  // Begins editing column `column` (a grid column, not counting the indicator) of the
  // current row, with `typed` in place of the cell's text when given.
  void BeginEdit(int column, const std::wstring* typed = nullptr);
  // Ends the edit: `keep` sets the cell (false when its text is refused).
  bool EndEdit(bool keep);
  int CurrentRow() const;
  void LeaveGrid(bool forward);
  // The grid's menu (the right button, or the menu key): insert, append, delete, take back.
  void ContextMenu(LPARAM at);

  GridModel& grid_;
  HWND list_ = nullptr;
  HWND editor_ = nullptr;
  HFONT font_;
  int editRow_ = -1;
  int editColumn_ = -1;
  int currentColumn_ = 0;
  std::wstring cellText_;  // the text a display request points at
};

}  // namespace kelvatrix
