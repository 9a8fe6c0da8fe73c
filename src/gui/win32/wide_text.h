#pragma once
// The program's texts are UTF-8; the Win32 calls this front end makes take UTF-16.

#include <string>
#include <string_view>

namespace kelvatrix {

std::wstring Wide(std::string_view text);
std::string Utf8(std::wstring_view text);

}  // namespace kelvatrix
