#include <windows.h>

#include "platform/system_error_text.h"

namespace kelvatrix {

std::string SystemErrorText(std::uint32_t code) {
  char text[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, text, sizeof text, nullptr);
  std::string result(text, length);
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == '.'))
    result.pop_back();
  return result.empty() ? "system error " + std::to_string(code) : result;
}

}  // namespace kelvatrix
