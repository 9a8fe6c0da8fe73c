#include "hid/hid_last_error.h"

namespace kelvatrix {
namespace {
thread_local std::uint32_t lastError = 0;
}

std::uint32_t HidLastError() { return lastError; }
void SetHidLastError(std::uint32_t code) { lastError = code; }

}  // namespace kelvatrix
