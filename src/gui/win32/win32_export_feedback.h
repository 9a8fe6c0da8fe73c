#pragma once
// What an export shows on Windows while it runs: the wait cursor, and a small window with
// a progress bar (the common controls' one), painted at once at every step.

#include "gui/win32/windows_api.h"

#include "export/export_feedback.h"

namespace kelvatrix {

class Win32ExportFeedback final : public ExportFeedback {
 public:
  ~Win32ExportFeedback() override { CloseProgress(); }
  void SetOwner(HWND owner) { owner_ = owner; }

  void SetWaitCursor(bool waiting) override;
  void ShowProgress(int maximum) override;
  void SetProgress(int position) override;
  void CloseProgress() override;

 private:
  HWND owner_ = nullptr;
  HWND window_ = nullptr;
  HWND bar_ = nullptr;
  HCURSOR before_ = nullptr;
};

}  // namespace kelvatrix
