#pragma once
// The system's own words for an error code (errno on POSIX, GetLastError on Windows).

#include <cstdint>
#include <string>

namespace kelvatrix {

std::string SystemErrorText(std::uint32_t code);

}  // namespace kelvatrix
