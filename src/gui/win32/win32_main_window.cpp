#include "gui/win32/win32_main_window.h"


#include "app/window_placement.h"
#include "app/splitter_rule.h"
#include "gui/win32/gdi_canvas.h"
#include "gui/win32/handler_errors.h"
#include "gui/win32/panel_window.h"
#include "gui/win32/wide_text.h"
#include "gui/win32/win32_print_jobs.h"

namespace kelvatrix {
namespace {

constexpr wchar_t kClassName[] = L"KelvatrixForm1";
constexpr int kIconResource = 1;

// The window's design: client area 822 x 546 at 232, 347; the command bar 41 high.
constexpr int kDesignClientWidth = 822;
constexpr int kDesignClientHeight = 546;
constexpr int kDesignLeft = 232;
constexpr int kDesignTop = 347;
constexpr int kCommandBarHeight = 41;
constexpr int kGridPaneWidth = 209;
constexpr int kVoltageChartHeight = 247;
constexpr int kResistanceChartHeight = 224;
constexpr int kStripUnderCharts = 30;
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimer1Interval = 1000;

enum ControlId { kDownload = 101, kSave, kPrintData, kPrintGraph };

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

void RegisterWindowClass(WNDPROC procedure) {
  static const bool registered = [&] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

HFONT MakeWindowFont() {
  LOGFONTW description{};
  description.lfHeight = -11;
  description.lfWeight = FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  const std::wstring family = InstalledFamily(WindowFontDescription().family);
  wcsncpy(description.lfFaceName, family.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectW(&description);
}

void Place(HWND window, int left, int top, int width, int height) {
  SetWindowPos(window, nullptr, left, top, std::max(0, width), std::max(0, height), SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Win32MainWindow::Win32MainWindow(StartupSettings settings, Dialogs& dialogs, MessageLoop& loop, HidBackend& backend)
    : logic_(std::move(settings), {dialogs, *this, exportFeedback_, ScreenMeasure(), loop, backend}),
      gridPaneWidth_(kGridPaneWidth) {
  RegisterWindowClass(&WindowProcedure);
  font_ = MakeWindowFont();
  RECT outer{0, 0, kDesignClientWidth, kDesignClientHeight};
  AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  window_ = CreateWindowExW(kExStyle, kClassName, Wide(MainWindow::kTitle).c_str(), kStyle, kDesignLeft, kDesignTop,
                            outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
  exportFeedback_.SetOwner(window_);
  Build();
  logic_.SetPrintJobs(MakePrinterJobs(window_, true));
  SetTimer(window_, kTimer1, kTimer1Interval, nullptr);
}

Win32MainWindow::~Win32MainWindow() {
  // The views go before the logic whose grid and charts they show.
  roundButton1_.reset();
  saveb_.reset();
  printdatab_.reset();
  roundButton3_.reset();
  dataGrid1_.reset();
  chart1_.reset();
  chart2_.reset();
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  DeleteObject(font_);
}

void Win32MainWindow::Build() {
  gridPane_ = CreatePanel(window_, Bevel::Raised, Bevel::None);
  splitter_ = CreateSplitter(window_, [this](int x) {
    RECT client;
    GetClientRect(window_, &client);
    gridPaneWidth_ = GridPaneWidthAfterDrag(x, client.right - 1);
    LayOut();
  });
  chartPane_ = CreatePanel(window_, Bevel::Raised, Bevel::Lowered);
  commandBar_ = CreatePanel(window_, Bevel::Raised, Bevel::Lowered);
  strip_ = CreatePanel(chartPane_, Bevel::Raised, Bevel::None);

  dataGrid1_ = std::make_unique<GridWindow>(logic_.Grid1(), gridPane_, font_);
  chart1_ = std::make_unique<ChartWindow>(logic_.Chart1(), chartPane_, 0);
  chart2_ = std::make_unique<ChartWindow>(logic_.Chart2(), chartPane_, 0);

  label1_ = CreateWindowExW(0, L"STATIC", L"Label1", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 8, 16, 40, 13,
                            commandBar_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(label1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SetStatusText("Label1");

  // Created in the tab order: Download, Save as..., Print Graph, Print Data.
  const Rgb teal{0, 128, 128};
  roundButton1_ = std::make_unique<RoundButtonWindow>(commandBar_, kDownload, "Download", RECT{168, 4, 97, 34}, teal);
  saveb_ = std::make_unique<RoundButtonWindow>(commandBar_, kSave, "Save as...", RECT{303, 4, 98, 34}, teal);
  roundButton3_ =
      std::make_unique<RoundButtonWindow>(commandBar_, kPrintGraph, "Print Graph ", RECT{608, 4, 97, 34}, teal);
  printdatab_ = std::make_unique<RoundButtonWindow>(commandBar_, kPrintData, "Print Data", RECT{464, 4, 97, 34}, teal);
  LayOut();
}

void Win32MainWindow::LayOut() {
  RECT client;
  GetClientRect(window_, &client);
  const int width = client.right;
  const int height = client.bottom;
  const int panes = std::max(0, height - kCommandBarHeight);
  const int gridWidth = std::min(gridPaneWidth_, std::max(0, width - 1));
  Place(commandBar_, 0, panes, width, kCommandBarHeight);
  Place(gridPane_, 0, 0, gridWidth, panes);
  Place(splitter_, gridWidth, 0, 1, panes);
  Place(chartPane_, gridWidth + 1, 0, width - gridWidth - 1, panes);

  const int gridBevel = PanelBevelWidth(Bevel::Raised, Bevel::None);
  Place(dataGrid1_->Handle(), gridBevel, gridBevel, gridWidth - 2 * gridBevel, panes - 2 * gridBevel);

  // Both charts keep their heights; a taller window opens an empty band between them.
  const int bevel = PanelBevelWidth(Bevel::Raised, Bevel::Lowered);
  const int inner = width - gridWidth - 1 - 2 * bevel;
  Place(chart1_->Handle(), bevel, bevel, inner, kVoltageChartHeight);
  Place(strip_, bevel, panes - bevel - kStripUnderCharts, inner, kStripUnderCharts);
  Place(chart2_->Handle(), bevel, panes - bevel - kStripUnderCharts - kResistanceChartHeight, inner,
        kResistanceChartHeight);
}

void Win32MainWindow::Show(int how) {
  ShowWindow(window_, how);
  UpdateWindow(window_);
  SetFocus(dataGrid1_->Handle());
}

LRESULT CALLBACK Win32MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self || !self->window_) return DefWindowProcW(window, message, wParam, lParam);
  return Guarded<LRESULT>(0, [&] { return self->OnMessage(message, wParam, lParam); });
}

LRESULT Win32MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) LayOut();
      return 0;
    case WM_TIMER:
      if (wParam == kTimer1) logic_.Timer1Timer();
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam));
      return 0;
    case WM_DRAWITEM: {
      const auto& request = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (RoundButtonWindow* button = ButtonOf(static_cast<int>(request.CtlID))) {
        button->DrawItem(request);
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      const auto& notice = *reinterpret_cast<const NMHDR*>(lParam);
      if (dataGrid1_ && notice.hwndFrom == dataGrid1_->Handle()) return dataGrid1_->Notify(notice);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      // The indicator stands on the command bar's colour.
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CLOSE:
      logic_.FormClose();
      KillTimer(window_, kTimer1);
      ShowWindow(window_, SW_HIDE);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

RoundButtonWindow* Win32MainWindow::ButtonOf(int id) {
  switch (id) {
    case kDownload: return roundButton1_.get();
    case kSave: return saveb_.get();
    case kPrintData: return printdatab_.get();
    case kPrintGraph: return roundButton3_.get();
    default: return nullptr;
  }
}

void Win32MainWindow::Command(int id) {
  switch (id) {
    case kDownload: logic_.RoundButton1Click(); break;
    case kSave: logic_.savebClick(); break;
    case kPrintData: logic_.printdatabClick(); break;
    case kPrintGraph: logic_.RoundButton3Click(); break;
    default: break;
  }
}

void Win32MainWindow::SetStatusText(const std::string& text) {
  const std::wstring wide = Wide(text);
  SetWindowTextW(label1_, wide.c_str());
  // The label's width follows its text.
  HDC dc = GetDC(label1_);
  HGDIOBJ old = SelectObject(dc, font_);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(label1_, dc);
  SetWindowPos(label1_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(label1_, nullptr, TRUE);
}

void Win32MainWindow::PlaceWindow() {
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(window_, nullptr, work.left + CentredEdge(work.right - work.left, kWindowWidth),
               work.top + CentredEdge(work.bottom - work.top, kWindowHeight), kWindowWidth, kWindowHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainWindow::RedrawButton(CommandButton button) {
  switch (button) {
    case CommandButton::Download: roundButton1_->RedrawNow(); break;
    case CommandButton::Save: saveb_->RedrawNow(); break;
    case CommandButton::PrintData: printdatab_->RedrawNow(); break;
    case CommandButton::PrintGraph: roundButton3_->RedrawNow(); break;
  }
}

std::string Win32MainWindow::NowText() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t date[64] = {};
  wchar_t time[64] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 64);
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &now, nullptr, time, 64);
  return Utf8(date) + " " + Utf8(time);
}

}  // namespace kelvatrix
