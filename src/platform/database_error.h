#pragma once
#include <stdexcept>

namespace kelvatrix {

// An error of the database layer, carrying the layer's own text. Not caught by the
// commands: it ends them and reaches the standard error box.
class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Another client holds a lock on the database for now (SQLite's "database is locked"):
// the operation changed nothing and may be tried again.
class DatabaseBusy : public DatabaseError {
 public:
  using DatabaseError::DatabaseError;
};

}  // namespace kelvatrix
