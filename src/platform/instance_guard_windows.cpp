#include <windows.h>

#include "platform/instance_guard.h"

namespace kelvatrix {

// The mutex handle stays open for the life of the process; the name stays taken until
// the process ends.
InstanceGuard::~InstanceGuard() = default;

std::string InstanceGuard::LockPath(const std::string& name) { return name; }

bool InstanceGuard::Acquire(const std::string& name) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  const DWORD created = GetLastError();
  bool refused = created == ERROR_ALREADY_EXISTS;
  if (!refused && mutex) refused = WaitForSingleObject(mutex, 100) == WAIT_TIMEOUT;
  if (!mutex) refused = true;
  if (mutex) ReleaseMutex(mutex);
  mutex_ = mutex;
  return !refused;
}

}  // namespace kelvatrix
