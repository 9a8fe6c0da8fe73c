#include "gui/win32/panel_window.h"

#include <windowsx.h>

#include <memory>

#include "gui/win32/handler_errors.h"

namespace kelvatrix {
namespace {

constexpr wchar_t kPanelClass[] = L"KelvatrixPanel";
constexpr wchar_t kSplitterClass[] = L"KelvatrixSplitter";

struct PanelLook {
  Bevel outer;
  Bevel inner;
};

UINT EdgeOf(Bevel outer, Bevel inner) {
  UINT edge = 0;
  if (outer == Bevel::Raised) edge |= BDR_RAISEDOUTER;
  if (outer == Bevel::Lowered) edge |= BDR_SUNKENOUTER;
  if (inner == Bevel::Raised) edge |= BDR_RAISEDINNER;
  if (inner == Bevel::Lowered) edge |= BDR_SUNKENINNER;
  return edge;
}

LRESULT CALLBACK PanelProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* look = reinterpret_cast<PanelLook*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
      break;
    case WM_NCDESTROY:
      delete look;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
      if (look && EdgeOf(look->outer, look->inner)) DrawEdge(dc, &client, EdgeOf(look->outer, look->inner), BF_RECT);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
      // The window handles what its controls report.
      return SendMessageW(GetParent(window), message, wParam, lParam);
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

struct SplitterState {
  std::function<void(int)> dropped;
  bool dragging = false;
  int grabbedAt = 0;  // where in the splitter the mouse took it
  int lineAt = -1;    // the hatched line's x in the parent, while shown
};

// The hatched line, drawn and taken away again by inverting it on the parent.
void InvertLine(HWND parent, int x, int height) {
  static const WORD hatch[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  HBITMAP pattern = CreateBitmap(8, 8, 1, 1, hatch);
  HBRUSH brush = CreatePatternBrush(pattern);
  HDC dc = GetDCEx(parent, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_PARENTCLIP);
  HGDIOBJ old = SelectObject(dc, brush);
  PatBlt(dc, x, 0, 3, height, PATINVERT);
  SelectObject(dc, old);
  ReleaseDC(parent, dc);
  DeleteObject(brush);
  DeleteObject(pattern);
}

LRESULT CALLBACK SplitterProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<SplitterState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (!state) return DefWindowProcW(window, message, wParam, lParam);
  HWND parent = GetParent(window);
  RECT client;
  GetClientRect(window, &client);
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_NCDESTROY:
      delete state;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_LBUTTONDOWN:
      SetCapture(window);
      state->dragging = true;
      state->grabbedAt = at.x;
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
      if (!state->dragging) return 0;
      MapWindowPoints(window, parent, &at, 1);
      const int x = at.x - state->grabbedAt;
      if (state->lineAt >= 0) InvertLine(parent, state->lineAt, client.bottom);
      state->lineAt = -1;
      if (message == WM_MOUSEMOVE) {
        InvertLine(parent, x, client.bottom);
        state->lineAt = x;
        return 0;
      }
      state->dragging = false;
      ReleaseCapture();
      Guarded<int>(0, [&] {
        state->dropped(x);
        return 0;
      });
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (state->lineAt >= 0) InvertLine(parent, state->lineAt, client.bottom);
      state->lineAt = -1;
      state->dragging = false;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
  static const bool registered = [] {
    WNDCLASSEXW panel{};
    panel.cbSize = sizeof panel;
    panel.style = CS_HREDRAW | CS_VREDRAW;  // the bevels follow the size
    panel.lpfnWndProc = &PanelProcedure;
    panel.hInstance = GetModuleHandleW(nullptr);
    panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panel.lpszClassName = kPanelClass;
    RegisterClassExW(&panel);
    WNDCLASSEXW splitter = panel;
    splitter.lpfnWndProc = &SplitterProcedure;
    splitter.hCursor = LoadCursorW(nullptr, IDC_SIZEWE);
    splitter.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    splitter.lpszClassName = kSplitterClass;
    RegisterClassExW(&splitter);
    return true;
  }();
  (void)registered;
}

}  // namespace

int PanelBevelWidth(Bevel outer, Bevel inner) { return (outer != Bevel::None) + (inner != Bevel::None); }

HWND CreatePanel(HWND parent, Bevel outer, Bevel inner) {
  RegisterClasses();
  return CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 10, 10,
                         parent, nullptr, GetModuleHandleW(nullptr), new PanelLook{outer, inner});
}

HWND CreateSplitter(HWND parent, std::function<void(int x)> dropped) {
  RegisterClasses();
  return CreateWindowExW(0, kSplitterClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 10, parent, nullptr,
                         GetModuleHandleW(nullptr), new SplitterState{std::move(dropped)});
}

}  // namespace kelvatrix
