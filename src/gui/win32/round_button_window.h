#pragma once
// The round button on Windows: the system's push button with the owner-draw style, an
// elliptic window region, and the face composed by the shared drawing. Pressing,
// releasing, Space and the click are the push button's own; Enter clicks it while it has
// the focus, and both clicks of a double-click press it.

#include "gui/win32/windows_api.h"

#include <memory>
#include <string>

#include "controls/round_button_painter.h"
#include "gui/win32/gdi_canvas.h"

namespace kelvatrix {

class RoundButtonWindow {
 public:
  // A button `bounds` (left, top, width, height) in `parent`, whose WM_COMMAND carries `id`.
  RoundButtonWindow(HWND parent, int id, const std::string& caption, RECT bounds, Rgb color);
  ~RoundButtonWindow();
  RoundButtonWindow(const RoundButtonWindow&) = delete;
  RoundButtonWindow& operator=(const RoundButtonWindow&) = delete;

  HWND Handle() const { return window_; }
  // The parent's WM_DRAWITEM for this button.
  void DrawItem(const DRAWITEMSTRUCT& request);
  // Invalidates and paints at once.
  void RedrawNow();

 private:
  static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);
  void SetRegion();

  HWND window_ = nullptr;
  std::string caption_;
  Rgb color_;
  bool activeDefault_ = false;
  std::unique_ptr<GdiImageCanvas> face_;
};

// The window's font and the buttons' font: MS Sans Serif, 11 pixels, where the system has
// it; else Arial, then Liberation Sans (Arial's metrics).
Font WindowFontDescription();

}  // namespace kelvatrix
