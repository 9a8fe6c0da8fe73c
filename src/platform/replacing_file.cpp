#include "platform/replacing_file.h"

#include <algorithm>
#include <cstring>

namespace kelvatrix {

bool ReplacingFile::Write(const void* data, std::size_t size) {
  if (failed_ || fd_ < 0) return false;
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    if (used_ == buffer_.size() && !Flush()) return false;
    const std::size_t part = std::min(size, buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, bytes, part);
    used_ += part;
    bytes += part;
    size -= part;
  }
  return true;
}

}  // namespace kelvatrix
