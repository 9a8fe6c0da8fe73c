#pragma once
// Refuses a second instance of the program. On Windows a named mutex; on Linux an
// exclusive lock on a per-user lock file, which the kernel drops when the process dies,
// so a crashed instance never blocks the next start.

#include <string>

namespace kelvatrix {

class InstanceGuard {
 public:
  InstanceGuard() = default;
  ~InstanceGuard();
  InstanceGuard(const InstanceGuard&) = delete;
  InstanceGuard& operator=(const InstanceGuard&) = delete;

  // Takes the guard named `name`, waiting up to 100 ms for an instance that is ending.
  // False when another living instance holds it, or when the guard cannot be made.
  bool Acquire(const std::string& name);

  // Where the Linux lock file for `name` lives.
  static std::string LockPath(const std::string& name);

 private:
#ifdef _WIN32
  void* mutex_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace kelvatrix
