#pragma once
#include <stdexcept>

namespace kelvatrix {

// Raised by device construction: "device cannot be opened", "device cannot be identified".
class ControllerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kelvatrix
