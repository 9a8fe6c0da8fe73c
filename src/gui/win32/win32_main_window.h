#pragma once
// The main window on Windows: a skin over the window's logic (MainWindow), as the Qt one
// is. It builds the child windows (the grid pane and the chart pane beside the splitter,
// the command bar with the indicator and the four round buttons), lays them out as
// designed, shows what the logic says, and forwards the operator's events to it.

#include "gui/win32/windows_api.h"

#include <memory>

#include "app/main_window.h"
#include "gui/win32/chart_window.h"
#include "gui/win32/grid_window.h"
#include "gui/win32/round_button_window.h"
#include "gui/win32/win32_export_feedback.h"

namespace kelvatrix {

class Win32MainWindow final : private WindowSkin {
 public:
  Win32MainWindow(StartupSettings settings, Dialogs& dialogs, MessageLoop& loop, HidBackend& backend);
  ~Win32MainWindow() override;
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  MainWindow& Logic() { return logic_; }
  HWND Handle() const { return window_; }
  void Show(int how);

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Build();
  void LayOut();
  void Command(int id);
  RoundButtonWindow* ButtonOf(int id);

  // WindowSkin
  void SetStatusText(const std::string& text) override;
  void PlaceWindow() override;
  void RedrawButton(CommandButton button) override;
  std::string NowText() override;

  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  Win32ExportFeedback exportFeedback_;
  MainWindow logic_;
  HWND gridPane_ = nullptr;
  HWND splitter_ = nullptr;
  HWND chartPane_ = nullptr;
  HWND strip_ = nullptr;
  HWND commandBar_ = nullptr;
  HWND label1_ = nullptr;
  int gridPaneWidth_;
  std::unique_ptr<GridWindow> dataGrid1_;
  std::unique_ptr<ChartWindow> chart1_;
  std::unique_ptr<ChartWindow> chart2_;
  std::unique_ptr<RoundButtonWindow> roundButton1_;
  std::unique_ptr<RoundButtonWindow> saveb_;
  std::unique_ptr<RoundButtonWindow> printdatab_;
  std::unique_ptr<RoundButtonWindow> roundButton3_;
};

}  // namespace kelvatrix
