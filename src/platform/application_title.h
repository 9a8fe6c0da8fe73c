#pragma once
#include <string>
#include <string_view>

namespace kelvatrix {

// The title the program goes by: the executable's file name without its directory, cut
// at its first ".", every character after the first in lower case ("Meter.Tool.exe"
// gives "Meter", "ABC.EXE" gives "Abc"). It captions the program's messages and names
// the single-instance guard.
std::string ApplicationTitle(std::string_view executablePath);

// The running executable's own path (the file itself, not a link to it).
std::string ExecutablePath();

}  // namespace kelvatrix
