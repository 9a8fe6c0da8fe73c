#include "gui/win32/grid_window.h"


#include <algorithm>
#include <optional>

#include "gui/win32/frame_pacer.h"
#include "gui/win32/handler_errors.h"
#include "gui/win32/wide_text.h"
#include "platform/system_colours.h"
#include "store/table_fields.h"

namespace kelvatrix {
namespace {

constexpr int kIndicatorWidth = 11;
constexpr int kTextMargin = 2;
constexpr UINT_PTR kSubclassId = 1;

COLORREF Colour(Rgb rgb) { return RGB(rgb.red, rgb.green, rgb.blue); }

const wchar_t* IndicatorGlyph(GridModel::Indicator indicator) {
  switch (indicator) {
    case GridModel::Indicator::Current: return L"\u25BA";
    case GridModel::Indicator::Editing: return L"I";
    case GridModel::Indicator::Inserting: return L"*";
    case GridModel::Indicator::None: break;
  }
  return L"";
}

}  // namespace

GridWindow::GridWindow(GridModel& grid, HWND parent, HFONT font) : grid_(grid), font_(font) {
  list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                              LVS_SHOWSELALWAYS,
                          0, 0, 100, 100, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  const COLORREF desktop = Colour(DesktopColour());
  ListView_SetBkColor(list_, desktop);
  ListView_SetTextBkColor(list_, desktop);
  ListView_SetTextColor(list_, GetSysColor(COLOR_WINDOWTEXT));
  SetWindowSubclass(list_, &GridWindow::ListSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  ApplyColumns();
  grid_.SetListener(this);
  Reset();
}

GridWindow::~GridWindow() {
  grid_.SetListener(nullptr);
  FramePacer::Shared().Forget(this);
  if (editor_) DestroyWindow(editor_);
  RemoveWindowSubclass(list_, &GridWindow::ListSubclass, kSubclassId);
  DestroyWindow(list_);
}

void GridWindow::ApplyColumns() {
  HDC dc = GetDC(list_);
  HGDIOBJ old = SelectObject(dc, font_);
  SIZE zero{};
  GetTextExtentPoint32W(dc, L"0", 1, &zero);
  SelectObject(dc, old);
  ReleaseDC(list_, dc);

  LVCOLUMNW indicator{};
  indicator.mask = LVCF_WIDTH | LVCF_TEXT;
  indicator.cx = kIndicatorWidth;
  indicator.pszText = const_cast<wchar_t*>(L"");
  ListView_InsertColumn(list_, 0, &indicator);
  const FieldLookup fields = GridModel::TableFields();
  for (int i = 0; i < grid_.ColumnCount(); ++i) {
    const GridColumn& column = grid_.Columns()[static_cast<std::size_t>(i)];
    std::optional<int> displayWidth;
    if (const std::optional<FieldFacts> field = fields(column.fieldName)) displayWidth = field->displayWidth;
    std::wstring title = Wide(grid_.TitleCaption(i));
    LVCOLUMNW entry{};
    entry.mask = LVCF_WIDTH | LVCF_TEXT;
    entry.cx = column.visible ? column.width.value_or(DefaultColumnWidth(zero.cx, 0, displayWidth)) : 0;
    entry.pszText = title.data();
    ListView_InsertColumn(list_, i + 1, &entry);
  }
}

int GridWindow::CurrentRow() const { return grid_.ShownCurrentRow(); }

void GridWindow::SyncCount() {
  ListView_SetItemCountEx(list_, grid_.RowCount(), LVSICF_NOSCROLL);
  InvalidateRect(list_, nullptr, FALSE);
}

void GridWindow::Reset() {
  SyncCount();
  CurrentRowMoved(CurrentRow());
}

void GridWindow::RowsShown(int, int) { SyncCount(); }
void GridWindow::RowsRemoved(int, int) { SyncCount(); }
void GridWindow::RowChanged(int row) { ListView_RedrawItems(list_, row, row); }
void GridWindow::IndicatorChanged(int row) {
  if (row >= 0 && row < grid_.RowCount()) ListView_RedrawItems(list_, row, row);
}

void GridWindow::CurrentRowMoved(int row) {
  if (row < 0 || row >= grid_.RowCount()) return;
  ListView_SetItemState(list_, row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  ListView_EnsureVisible(list_, row, FALSE);
}

void GridWindow::RowsPending() {
  FramePacer::Shared().Request(this, [this] { grid_.ShowPendingRows(); });
}

LRESULT GridWindow::Notify(const NMHDR& notice) {
  switch (notice.code) {
    case LVN_GETDISPINFOW: {
      auto& request = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(notice));
      if (!(request.item.mask & LVIF_TEXT)) return 0;
      const int row = request.item.iItem;
      if (row < 0 || row >= grid_.RowCount()) return 0;
      cellText_ = request.item.iSubItem == 0 ? IndicatorGlyph(grid_.IndicatorOf(row))
                                              : Wide(grid_.CellText(row, request.item.iSubItem - 1));
      request.item.pszText = cellText_.data();
      return 0;
    }
    case NM_CUSTOMDRAW:
      return CustomDraw(const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(notice)));
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(notice);
      if (change.iItem >= 0 && (change.uNewState & LVIS_FOCUSED) && !(change.uOldState & LVIS_FOCUSED) &&
          change.iItem != CurrentRow()) {
        // A row that could not be posted keeps the cursor.
        if (!grid_.MoveTo(change.iItem)) CurrentRowMoved(CurrentRow());
      }
      return 0;
    }
    case NM_DBLCLK: {
      const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(notice);
      if (click.iItem >= 0 && click.iSubItem > 0) BeginEdit(click.iSubItem - 1);
      return 0;
    }
    default:
      return 0;
  }
}

LRESULT GridWindow::CustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      // The cells draw the current one themselves; the list's own focus and selection
      // marks would be drawn over them.
      draw.nmcd.uItemState &= ~(CDIS_FOCUS | CDIS_SELECTED);
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      DrawCell(draw.nmcd.hdc, static_cast<int>(draw.nmcd.dwItemSpec), draw.iSubItem);
      return CDRF_SKIPDEFAULT;
    default:
      return CDRF_DODEFAULT;
  }
}

void GridWindow::DrawCell(HDC dc, int row, int subItem) {
  RECT cell{};
  if (subItem == 0) {
    ListView_GetItemRect(list_, row, &cell, LVIR_BOUNDS);
    cell.right = cell.left + ListView_GetColumnWidth(list_, 0);
  } else {
    ListView_GetSubItemRect(list_, row, subItem, LVIR_BOUNDS, &cell);
  }
  HPEN lines = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ oldPen = SelectObject(dc, lines);
  HGDIOBJ oldFont = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  if (subItem == 0) {
    FillRect(dc, &cell, GetSysColorBrush(COLOR_BTNFACE));
    DrawIndicator(dc, cell, grid_.IndicatorOf(row));
  } else {
    const int column = subItem - 1;
    const GridColumn& shown = grid_.Columns()[static_cast<std::size_t>(column)];
    const bool current = row == CurrentRow() && column == currentColumn_ && GetFocus() == list_;
    COLORREF background = current ? GetSysColor(COLOR_HIGHLIGHT) : Colour(shown.color.value_or(DesktopColour()));
    COLORREF text = current ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                            : (shown.fontColor ? Colour(*shown.fontColor) : GetSysColor(COLOR_WINDOWTEXT));
    HBRUSH fill = CreateSolidBrush(background);
    FillRect(dc, &cell, fill);
    DeleteObject(fill);
    SetTextColor(dc, text);
    RECT inside{cell.left + kTextMargin, cell.top, cell.right - kTextMargin - 1, cell.bottom - 1};
    const std::wstring shownText = Wide(grid_.CellText(row, column));
    DrawTextW(dc, shownText.c_str(), static_cast<int>(shownText.size()), &inside,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
  }
  // The lines between the cells: each cell draws its right and bottom one.
  MoveToEx(dc, cell.right - 1, cell.top, nullptr);
  LineTo(dc, cell.right - 1, cell.bottom - 1);
  LineTo(dc, cell.left - 1, cell.bottom - 1);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldPen);
  DeleteObject(lines);
}

void GridWindow::DrawIndicator(HDC dc, const RECT& cell, GridModel::Indicator indicator) {
  const int cx = (cell.left + cell.right) / 2;
  const int cy = (cell.top + cell.bottom) / 2;
  HPEN ink = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
  HBRUSH fill = CreateSolidBrush(GetSysColor(COLOR_BTNTEXT));
  HGDIOBJ oldPen = SelectObject(dc, ink);
  HGDIOBJ oldBrush = SelectObject(dc, fill);
  switch (indicator) {
    case GridModel::Indicator::Current: {
      const POINT arrow[] = {{cx - 2, cy - 4}, {cx + 2, cy}, {cx - 2, cy + 4}};
      Polygon(dc, arrow, 3);
      break;
    }
    case GridModel::Indicator::Editing:
      MoveToEx(dc, cx, cy - 4, nullptr);
      LineTo(dc, cx, cy + 5);
      MoveToEx(dc, cx - 2, cy - 4, nullptr);
      LineTo(dc, cx + 3, cy - 4);
      MoveToEx(dc, cx - 2, cy + 4, nullptr);
      LineTo(dc, cx + 3, cy + 4);
      break;
    case GridModel::Indicator::Inserting: {
      RECT box = cell;
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      DrawTextW(dc, L"*", 1, &box, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
      break;
    }
    case GridModel::Indicator::None:
      break;
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(fill);
  DeleteObject(ink);
}

LRESULT GridWindow::HeaderDraw(NMCUSTOMDRAW& draw) {
  switch (draw.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      // The titles in their own colours, cut at the column's edge rather than elided.
      const int column = static_cast<int>(draw.dwItemSpec) - 1;
      RECT box = draw.rc;
      COLORREF background = GetSysColor(COLOR_BTNFACE);
      COLORREF text = GetSysColor(COLOR_BTNTEXT);
      if (column >= 0 && column < grid_.ColumnCount()) {
        const ColumnTitle& title = grid_.Columns()[static_cast<std::size_t>(column)].title;
        if (title.color) background = Colour(*title.color);
        if (title.fontColor) text = Colour(*title.fontColor);
      }
      HBRUSH fill = CreateSolidBrush(background);
      FillRect(draw.hdc, &box, fill);
      DeleteObject(fill);
      DrawEdge(draw.hdc, &box, BDR_RAISEDINNER, BF_RECT);
      if (column >= 0 && column < grid_.ColumnCount()) {
        HGDIOBJ oldFont = SelectObject(draw.hdc, font_);
        SetBkMode(draw.hdc, TRANSPARENT);
        SetTextColor(draw.hdc, text);
        RECT inside{box.left + kTextMargin, box.top, box.right - kTextMargin, box.bottom};
        const std::wstring caption = Wide(grid_.TitleCaption(column));
        DrawTextW(draw.hdc, caption.c_str(), static_cast<int>(caption.size()), &inside,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
        SelectObject(draw.hdc, oldFont);
      }
      return CDRF_SKIPDEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

LRESULT CALLBACK GridWindow::ListSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
  auto* self = reinterpret_cast<GridWindow*>(data);
  switch (message) {
    case WM_NOTIFY: {
      auto& notice = *reinterpret_cast<NMHDR*>(lParam);
      if (notice.hwndFrom == ListView_GetHeader(window) && notice.code == NM_CUSTOMDRAW)
        return self->HeaderDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lParam));
      break;
    }
    case WM_SETFOCUS:
      // The current cell is marked only while the grid has the focus.
      InvalidateRect(window, nullptr, FALSE);
      break;
    case WM_GETDLGCODE:
      // The grid takes the keys it works with; Ctrl+Tab goes to the window, which moves on.
      if (lParam && reinterpret_cast<const MSG*>(lParam)->wParam == VK_TAB && (GetKeyState(VK_CONTROL) < 0))
        return DLGC_WANTARROWS;
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_KEYDOWN:
      if (Guarded<bool>(true, [&] { return self->Key(wParam); })) return 0;
      break;
    case WM_CHAR:
      if (wParam >= L' ' && self->editColumn_ < 0 && self->grid_.Active() && self->grid_.RowCount() > 0) {
        const std::wstring typed(1, static_cast<wchar_t>(wParam));
        Guarded<int>(0, [&] {
          self->BeginEdit(self->currentColumn_, &typed);
          return 0;
        });
        return 0;
      }
      if (wParam == L'\t' || wParam == L'\r' || wParam == 27) return 0;
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      self->grid_.ShowPendingRows();
      LVHITTESTINFO hit{};
      hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (ListView_SubItemHitTest(window, &hit) >= 0 && hit.iSubItem > 0) self->currentColumn_ = hit.iSubItem - 1;
      break;
    }
    case WM_CONTEXTMENU:
      Guarded<int>(0, [&] {
        self->ContextMenu(lParam);
        return 0;
      });
      return 0;
    case WM_KILLFOCUS: {
      InvalidateRect(window, nullptr, FALSE);
      // Another control of the same window took the focus: the grid was left. Message
      // boxes and other windows taking it are not leaving the grid.
      HWND now = reinterpret_cast<HWND>(wParam);
      if (now && now != self->editor_ && GetAncestor(now, GA_ROOT) == GetAncestor(window, GA_ROOT)) {
        Guarded<int>(0, [&] {
          self->grid_.FinishChange();
          return 0;
        });
      }
      break;
    }
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

bool GridWindow::Key(WPARAM key) {
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  if (key == VK_TAB && control) {
    LeaveGrid(!shift);
    return true;
  }
  // The operator works on the rows as they are, including those still held back.
  grid_.ShowPendingRows();
  if (!grid_.Active()) return false;
  switch (key) {
    case VK_INSERT:
      if (control || shift) return false;
      grid_.InsertRow();
      return true;
    case VK_DELETE:
      if (!control) return false;
      if (!grid_.Empty()) grid_.DeleteRow();
      return true;
    case VK_ESCAPE:
      if (grid_.Changing()) grid_.TakeBackChange();
      return true;
    case VK_DOWN:
      if (control || shift || CurrentRow() != grid_.RowCount() - 1) return false;
      grid_.DownOnLastRow();
      return true;
    case VK_TAB:
      currentColumn_ = std::clamp(currentColumn_ + (shift ? -1 : 1), 0, grid_.ColumnCount() - 1);
      return true;
    case VK_LEFT:
    case VK_RIGHT:
      currentColumn_ = std::clamp(currentColumn_ + (key == VK_LEFT ? -1 : 1), 0, grid_.ColumnCount() - 1);
      return true;
    case VK_F2:
    case VK_RETURN:
      if (grid_.RowCount() > 0) BeginEdit(currentColumn_);
      return true;
    default:
      return false;
  }
}

void GridWindow::ContextMenu(LPARAM at) {
  if (!grid_.Active()) return;
  grid_.ShowPendingRows();
  enum { kInsert = 1, kAppend, kDelete, kTakeBack };
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, kInsert, L"Insert row");
  AppendMenuW(menu, MF_STRING, kAppend, L"Append row");
  AppendMenuW(menu, MF_STRING | (grid_.Empty() ? MF_GRAYED : 0u), kDelete, L"Delete row...");
  AppendMenuW(menu, MF_STRING | (grid_.Changing() ? 0u : MF_GRAYED), kTakeBack, L"Take back the change");
  POINT where{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (at == static_cast<LPARAM>(-1)) {  // from the keyboard: at the current row
    RECT row{};
    ListView_GetItemRect(list_, std::max(0, CurrentRow()), &row, LVIR_BOUNDS);
    where = {row.left + 20, row.bottom};
    ClientToScreen(list_, &where);
  }
  const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, where.x, where.y, 0, list_, nullptr);
  DestroyMenu(menu);
  switch (chosen) {
    case kInsert: grid_.InsertRow(); break;
    case kAppend: grid_.AppendRow(); break;
    case kDelete: grid_.DeleteRow(); break;
    case kTakeBack: grid_.TakeBackChange(); break;
    default: break;
  }
}

void GridWindow::LeaveGrid(bool forward) {
  HWND root = GetAncestor(list_, GA_ROOT);
  if (HWND next = GetNextDlgTabItem(root, list_, forward ? FALSE : TRUE)) SetFocus(next);
}

void GridWindow::BeginEdit(int column, const std::wstring* typed) {
  if (editor_ || column < 0 || column >= grid_.ColumnCount() || !grid_.Editable(column)) return;
  const int row = CurrentRow();
  if (row < 0 || row >= grid_.RowCount()) return;
  currentColumn_ = column;
  RECT cell{};
  ListView_GetSubItemRect(list_, row, column + 1, LVIR_LABEL, &cell);
  editRow_ = row;
  editColumn_ = column;
  const std::wstring text = typed ? *typed : Wide(grid_.CellText(row, column));
  editor_ = CreateWindowExW(0, L"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, cell.left,
                            cell.top, cell.right - cell.left, cell.bottom - cell.top, list_, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SendMessageW(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  const int field = grid_.FieldOfColumn(column);
  if (field >= 0) {
    const TableField& facts = kTableFields[static_cast<std::size_t>(field)];
    if (facts.kind == TableField::Kind::Text) SendMessageW(editor_, EM_LIMITTEXT, facts.displayWidth, 0);
  }
  SetWindowSubclass(editor_, &GridWindow::EditorSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SendMessageW(editor_, EM_SETSEL, typed ? text.size() : 0, -1);
  SetFocus(editor_);
}

bool GridWindow::EndEdit(bool keep) {
  if (!editor_) return true;
  if (keep) {
    const int length = GetWindowTextLengthW(editor_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(editor_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    const std::string typed = Utf8(text);
    const std::string problem = GridModel::CellTextProblem(grid_.FieldOfColumn(editColumn_), typed);
    if (!problem.empty()) {
      // A wrong text stays in the editor, to be corrected.
      HWND editor = std::exchange(editor_, nullptr);
      grid_.ReportError(problem);
      editor_ = editor;
      SetFocus(editor_);
      return false;
    }
    const int row = editRow_;
    const int column = editColumn_;
    HWND editor = std::exchange(editor_, nullptr);
    editColumn_ = -1;
    DestroyWindow(editor);
    SetFocus(list_);
    grid_.SetCellText(row, column, typed);
    return true;
  }
  HWND editor = std::exchange(editor_, nullptr);
  editColumn_ = -1;
  DestroyWindow(editor);
  SetFocus(list_);
  return true;
}

LRESULT CALLBACK GridWindow::EditorSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data) {
  auto* self = reinterpret_cast<GridWindow*>(data);
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_TAB) {
        Guarded<bool>(false, [&] { return self->EndEdit(true); });
        return 0;
      }
      if (wParam == VK_ESCAPE) {
        Guarded<bool>(false, [&] { return self->EndEdit(false); });
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\r' || wParam == L'\t' || wParam == 27) return 0;
      break;
    case WM_KILLFOCUS:
      if (self->editor_ == window) Guarded<bool>(false, [&] { return self->EndEdit(true); });
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, &GridWindow::EditorSubclass, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace kelvatrix
