#include "gui/win32/win32_dialogs.h"

#include <commdlg.h>

#include <vector>

#include "gui/win32/wide_text.h"

namespace kelvatrix {
namespace {

// A lone carriage return starts a new line in the program's texts; a Windows box wants
// CR LF for that.
std::wstring BoxText(const std::string& text) {
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    lines += text[i];
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) lines += '\n';
  }
  return Wide(lines);
}

}  // namespace

int Win32Dialogs::MessageBox(const std::string& text, const std::string& caption, int flags) {
  const UINT style = static_cast<UINT>(flags) | (owner_ ? 0u : MB_TASKMODAL);
  return MessageBoxW(owner_, BoxText(text).c_str(), Wide(caption).c_str(), style);
}

std::optional<std::string> Win32Dialogs::SaveFileName(const SaveFileRequest& request) {
  // The filter: description and pattern of each type, each ended by a NUL, the list by
  // a second NUL.
  std::wstring filter;
  for (const auto& [description, pattern] : request.filter) {
    filter += Wide(description);
    filter += L'\0';
    filter += Wide(pattern);
    filter += L'\0';
  }
  filter += L'\0';
  const std::wstring extension = Wide(request.defaultExtension);
  std::vector<wchar_t> file(32768, L'\0');

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  // The command asks about an existing file itself; the folder the dialog was left in
  // must not become the program's current folder, where its database lives.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  return Utf8(file.data());
}

}  // namespace kelvatrix
