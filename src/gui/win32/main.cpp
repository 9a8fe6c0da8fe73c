#include "gui/win32/windows_api.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "gui/win32/wide_text.h"
#include "gui/win32/win32_program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(kelvatrix::Utf8(words[i]));
  LocalFree(words);
  return kelvatrix::RunProgram(arguments);
}
