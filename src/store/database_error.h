#pragma once
#include <stdexcept>

namespace kelvatrix {

// An error of the database layer, carrying the layer's own text. Not caught by the
// commands: it ends them and reaches the standard error box.
class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kelvatrix
