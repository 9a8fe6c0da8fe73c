#include "gui/win32/win32_export_feedback.h"


namespace kelvatrix {

void Win32ExportFeedback::SetWaitCursor(bool waiting) {
  if (waiting) {
    before_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  } else {
    SetCursor(before_ ? before_ : LoadCursorW(nullptr, IDC_ARROW));
  }
}

void Win32ExportFeedback::ShowProgress(int maximum) {
  CloseProgress();
  constexpr int kWidth = 300;
  constexpr int kHeight = 60;
  RECT owner{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner_) GetWindowRect(owner_, &owner);
  window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_BORDER | WS_VISIBLE,
                            (owner.left + owner.right - kWidth) / 2, (owner.top + owner.bottom - kHeight) / 2, kWidth,
                            kHeight, owner_, nullptr, GetModuleHandleW(nullptr), nullptr);
  bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 20, kWidth - 22, 18, window_, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
  SendMessageW(bar_, PBM_SETRANGE32, 0, maximum);
  UpdateWindow(window_);
}

void Win32ExportFeedback::SetProgress(int position) {
  if (!bar_) return;
  SendMessageW(bar_, PBM_SETPOS, position, 0);
  UpdateWindow(bar_);
}

void Win32ExportFeedback::CloseProgress() {
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
  bar_ = nullptr;
}

}  // namespace kelvatrix
