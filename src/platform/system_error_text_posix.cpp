#include <cstring>

#include "platform/system_error_text.h"

namespace kelvatrix {

std::string SystemErrorText(std::uint32_t code) { return std::strerror(static_cast<int>(code)); }

}  // namespace kelvatrix
