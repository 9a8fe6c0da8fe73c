#pragma once
// A line chart (LineChart) shown in a window of its own: the window gives the chart its
// size and the mouse, paints it double-buffered on a GDI canvas with the zoom drag's
// rectangle over it, and refreshes it with the window's frames. The chart outlives it.

#include "gui/win32/windows_api.h"

#include <optional>

#include "views/line_chart.h"

namespace kelvatrix {

class ChartWindow final : private LineChart::Host {
 public:
  ChartWindow(LineChart& chart, HWND parent, int id);
  ~ChartWindow() override;
  ChartWindow(const ChartWindow&) = delete;
  ChartWindow& operator=(const ChartWindow&) = delete;

  HWND Handle() const { return window_; }
  LineChart& Chart() { return chart_; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void Mouse(UINT message, LPARAM lParam);

  // LineChart::Host
  void RefreshWanted() override;
  void Repaint() override;
  void ShowZoomBand(const std::optional<ZoomBand>& band) override;

  LineChart& chart_;
  HWND window_ = nullptr;
  std::optional<ZoomBand> band_;
};

}  // namespace kelvatrix
