#pragma once
// Message boxes and the save-file dialog of Windows itself (MessageBox, GetSaveFileName).
// The program's box flags and results are Windows' own numbers, so they pass unchanged.

#include "gui/win32/windows_api.h"

#include "platform/dialogs.h"

namespace kelvatrix {

class Win32Dialogs final : public Dialogs {
 public:
  // The window the boxes belong to (modal to it); none before the window exists.
  void SetOwner(HWND owner) { owner_ = owner; }

  int MessageBox(const std::string& text, const std::string& caption, int flags) override;
  std::optional<std::string> SaveFileName(const SaveFileRequest& request) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace kelvatrix
