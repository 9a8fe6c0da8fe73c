#pragma once
// The calling thread's last system error code, as the backends leave it (errno on Linux,
// GetLastError on Windows, the virtual bus's own codes). Kept per thread, never shared.

#include <cstdint>

namespace kelvatrix {

std::uint32_t HidLastError();
void SetHidLastError(std::uint32_t code);

// Leaves `code` as the thread's last error and reports failure: `return HidFail(EBADF);`.
inline bool HidFail(std::uint32_t code) {
  SetHidLastError(code);
  return false;
}

}  // namespace kelvatrix
