#include "gui/win32/round_button_window.h"


#include "gui/win32/handler_errors.h"
#include "gui/win32/wide_text.h"

namespace kelvatrix {
namespace {

Rgb SystemRgb(int index) {
  const COLORREF colour = GetSysColor(index);
  return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

}  // namespace

Font WindowFontDescription() { return {"MS Sans Serif,Arial,Liberation Sans", 11, false, false}; }

RoundButtonWindow::RoundButtonWindow(HWND parent, int id, const std::string& caption, RECT bounds, Rgb color)
    : caption_(caption), color_(color) {
  window_ = CreateWindowExW(0, L"BUTTON", Wide(caption).c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, bounds.left, bounds.top, bounds.right,
                            bounds.bottom, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
  SetWindowSubclass(window_, &RoundButtonWindow::Subclass, 1, reinterpret_cast<DWORD_PTR>(this));
  SetRegion();
}

RoundButtonWindow::~RoundButtonWindow() {
  RemoveWindowSubclass(window_, &RoundButtonWindow::Subclass, 1);
  DestroyWindow(window_);
}

void RoundButtonWindow::SetRegion() {
  RECT client;
  GetClientRect(window_, &client);
  // The window owns the region from here on.
  SetWindowRgn(window_, CreateEllipticRgn(0, 0, client.right, client.bottom), TRUE);
}

LRESULT CALLBACK RoundButtonWindow::Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR data) {
  auto* self = reinterpret_cast<RoundButtonWindow*>(data);
  switch (message) {
    case WM_LBUTTONDBLCLK:
      // The second click of a double-click presses the button again.
      return DefSubclassProc(window, WM_LBUTTONDOWN, wParam, lParam);
    case WM_SIZE:
      self->SetRegion();
      break;
    case WM_GETDLGCODE:
      // Enter reaches the button that has the focus, as Space does.
      if (lParam && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
          reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN) {
        return DLGC_WANTMESSAGE | DLGC_BUTTON;
      }
      break;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        SendMessageW(window, BM_CLICK, 0, 0);
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      // The button with the focus is the active default.
      const bool active = message == WM_SETFOCUS;
      if (active != self->activeDefault_) {
        self->activeDefault_ = active;
        InvalidateRect(window, nullptr, FALSE);
      }
      break;
    }
    case BM_SETSTYLE:
      // The dialog manager turns push buttons into default ones and back; the face is
      // owner-drawn whatever it says.
      return DefSubclassProc(window, message, (wParam & ~0x0Fu) | BS_OWNERDRAW, lParam);
    case WM_ENABLE:
    case WM_SETFONT: {
      const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

void RoundButtonWindow::DrawItem(const DRAWITEMSTRUCT& request) {
  const int width = request.rcItem.right - request.rcItem.left;
  const int height = request.rcItem.bottom - request.rcItem.top;
  const FacePlan plan = PlanFace(width, height,
                                 {.down = (request.itemState & ODS_SELECTED) != 0,
                                  .focused = (request.itemState & ODS_FOCUS) != 0,
                                  .focusOnly = request.itemAction == ODA_FOCUS,
                                  .isDefault = false,
                                  .activeDefault = activeDefault_});
  const bool fresh = !face_ || face_->Width() != width || face_->Height() != height;
  if (fresh) face_ = std::make_unique<GdiImageCanvas>(width, height);
  const RoundButtonLook look{color_,
                             SystemRgb(COLOR_BTNFACE),
                             SystemRgb(COLOR_WINDOWFRAME),
                             SystemRgb(COLOR_BTNSHADOW),
                             {255, 255, 255},
                             WindowFontDescription()};
  Guarded<int>(0, [&] {
    ComposeRoundButtonFace(*face_, plan, look, caption_, fresh);
    return 0;
  });
  // Outside its ellipse the button shows the bar behind it. The window's region clips
  // that away on Windows; Wine draws a child window's region whole, so the face is cut
  // to the ellipse here too.
  FillRect(request.hDC, &request.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  HRGN ellipse = CreateEllipticRgn(request.rcItem.left, request.rcItem.top, request.rcItem.right, request.rcItem.bottom);
  SelectClipRgn(request.hDC, ellipse);
  face_->CopyTo(request.hDC, request.rcItem.left, request.rcItem.top);
  SelectClipRgn(request.hDC, nullptr);
  DeleteObject(ellipse);
}

void RoundButtonWindow::RedrawNow() { RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

}  // namespace kelvatrix
