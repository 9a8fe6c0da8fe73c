#include "gui/win32/chart_window.h"

#include <windowsx.h>

#include <algorithm>

#include "gui/win32/frame_pacer.h"
#include "gui/win32/gdi_canvas.h"
#include "gui/win32/handler_errors.h"
#include "gui/win32/wide_text.h"

namespace kelvatrix {
namespace {

constexpr wchar_t kClassName[] = L"KelvatrixChart";

void RegisterChartClass(WNDPROC procedure) {
  static const bool registered = [&] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

std::string LocaleText(LCTYPE what, const char* fallback) {
  wchar_t text[16] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, what, text, 16) <= 0) return fallback;
  return Utf8(text);
}

}  // namespace

ChartWindow::ChartWindow(LineChart& chart, HWND parent, int id) : chart_(chart) {
  RegisterChartClass(&WindowProcedure);
  chart_.SetNumberFormat(LocaleText(LOCALE_STHOUSAND, ","), LocaleText(LOCALE_SDECIMAL, "."));
  window_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), this);
  chart_.SetHost(this);
}

ChartWindow::~ChartWindow() {
  chart_.SetHost(nullptr);
  FramePacer::Shared().Forget(this);
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
}

LRESULT CALLBACK ChartWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ChartWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  self->window_ = window;
  return Guarded<LRESULT>(0, [&] { return self->OnMessage(message, wParam, lParam); });
}

LRESULT ChartWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SIZE:
      chart_.Resize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      Mouse(message, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void ChartWindow::Paint() {
  PAINTSTRUCT paint;
  HDC screen = BeginPaint(window_, &paint);
  RECT client;
  GetClientRect(window_, &client);
  const int width = std::max(1, static_cast<int>(client.right));
  const int height = std::max(1, static_cast<int>(client.bottom));
  // Composed off the screen and copied in one step: no flicker while a download draws.
  HDC buffer = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(buffer, bitmap);
  const RECT all{0, 0, width, height};
  FillRect(buffer, &all, GetSysColorBrush(COLOR_BTNFACE));
  {
    GdiCanvas canvas(buffer, GetDeviceCaps(screen, LOGPIXELSY), true);
    chart_.Draw(canvas);
  }
  if (band_) {
    RECT area{static_cast<LONG>(std::min(band_->from.x, band_->to.x)), static_cast<LONG>(std::min(band_->from.y, band_->to.y)),
              static_cast<LONG>(std::max(band_->from.x, band_->to.x)), static_cast<LONG>(std::max(band_->from.y, band_->to.y))};
    DrawFocusRect(buffer, &area);
  }
  BitBlt(screen, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
  SelectObject(buffer, old);
  DeleteObject(bitmap);
  DeleteDC(buffer);
  EndPaint(window_, &paint);
}

void ChartWindow::Mouse(UINT message, LPARAM lParam) {
  const PointF at{static_cast<double>(GET_X_LPARAM(lParam)), static_cast<double>(GET_Y_LPARAM(lParam))};
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      SetCapture(window_);
      chart_.MousePress(message == WM_LBUTTONDOWN ? LineChart::Button::Left : LineChart::Button::Right, at);
      break;
    case WM_MOUSEMOVE:
      chart_.MouseMove(at);
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (GetCapture() == window_) ReleaseCapture();
      chart_.MouseRelease(message == WM_LBUTTONUP ? LineChart::Button::Left : LineChart::Button::Right, at);
      break;
  }
}

void ChartWindow::RefreshWanted() {
  FramePacer::Shared().Request(this, [this] { chart_.Refresh(); });
}

void ChartWindow::Repaint() { InvalidateRect(window_, nullptr, FALSE); }

void ChartWindow::ShowZoomBand(const std::optional<ZoomBand>& band) {
  band_ = band;
  InvalidateRect(window_, nullptr, FALSE);
}

}  // namespace kelvatrix
