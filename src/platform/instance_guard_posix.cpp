#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/instance_guard.h"

namespace kelvatrix {

InstanceGuard::~InstanceGuard() {
  // The guard lives as long as the process; closing here only matters for tests.
  if (fd_ >= 0) close(fd_);
}

std::string InstanceGuard::LockPath(const std::string& name) {
  // Names come from file names and may hold any byte but '/' and NUL.
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/" + name + ".instance-lock";
  }
  return "/tmp/" + name + "." + std::to_string(getuid()) + ".instance-lock";
}

bool InstanceGuard::Acquire(const std::string& name) {
  if (fd_ >= 0) return true;
  const int fd = open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  close(fd);
  return false;
}

}  // namespace kelvatrix
