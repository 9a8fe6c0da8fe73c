#pragma once
// The calling thread's last system error code, as the backends leave it (errno on Linux,
// GetLastError on Windows, the virtual bus's own codes). Kept per thread, never shared.

#include <cstdint>

namespace kelvatrix {

std::uint32_t HidLastError();
void SetHidLastError(std::uint32_t code);

}  // namespace kelvatrix
