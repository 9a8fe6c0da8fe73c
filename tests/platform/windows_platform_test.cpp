// The Windows services of the platform layer, run for real (under Wine in CI): the data
// source entries read back from the registry, and the named-mutex guard between
// processes.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/data_source_registration.h"
#include "platform/instance_guard.h"
#include "platform/scripted_dialogs.h"

namespace kelvatrix {
namespace {

// A child started by the guard test: it takes the guard named in its environment and
// reports whether it got it in its exit code. Asked to hold it, it says so by setting the
// event "<name>-held" and holds the guard until the event "<name>-release" is set.
const bool kGuardChild = [] {
  const char* name = std::getenv("KELVATRIX_GUARD_CHILD");
  if (!name || !*name) return false;
  InstanceGuard guard;
  const bool acquired = guard.Acquire(name);
  if (std::getenv("KELVATRIX_GUARD_HOLD")) {
    const HANDLE held =
        OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(name) + "-held").c_str());
    const HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, (std::string(name) + "-release").c_str());
    if (held) SetEvent(held);
    if (release) WaitForSingleObject(release, 60000);
  }
  std::exit(acquired ? 0 : 3);
}();

struct Value {
  DWORD type = 0;
  std::vector<BYTE> data;
};

Value ReadValue(const char* key, const char* name) {
  Value value;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(handle, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    RegQueryValueExA(handle, name, nullptr, &value.type, value.data.data(), &size);
  }
  RegCloseKey(handle);
  return value;
}

// REG_SZ data with its terminating zero byte, as written.
std::vector<BYTE> Text(const std::string& text) {
  std::vector<BYTE> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}
std::vector<BYTE> Dword(DWORD number) {
  return {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
          static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
}

std::string SystemDirectory() {
  char buffer[MAX_PATH] = {};
  GetSystemDirectoryA(buffer, MAX_PATH);
  return buffer;
}

TEST(WindowsRegistration, TheEntriesReadBackWithTheirTypesAndData) {
  ScriptedDialogs dialogs;
  DataSourceSettings settings;
  settings.currentDirectory = "C:\\Data";
  ASSERT_TRUE(RegisterDataSource(settings, dialogs));
  EXPECT_TRUE(dialogs.Shown().empty());

  const char* const source = "Software\\ODBC\\ODBC.INI\\kelvatrix";
  const char* const jet = "Software\\ODBC\\ODBC.INI\\kelvatrix\\Engines\\Jet";
  const struct {
    const char* key;
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {"Software\\ODBC\\ODBC.INI\\ODBC Data Sources", "kelvatrix", REG_SZ,
       Text("Microsoft Access Driver (*.mdb)")},
      {source, "DBQ", REG_SZ, Text("C:\\Data\\kelvatrix.mdb")},
      {source, "Description", REG_SZ, Text("Orvendel Data Source")},
      {source, "Driver", REG_SZ, Text(SystemDirectory() + "\\odbcjt32.dll")},
      {source, "DriverId", REG_DWORD, Dword(25)},
      {source, "FIL", REG_SZ, Text("MS Access;")},
      {source, "SafeTransaction", REG_DWORD, Dword(0)},
      {source, "UID", REG_SZ, Text("")},
      {source, "Exclusive", REG_BINARY, {0x00}},
      {source, "ReadOnly", REG_BINARY, {0x00}},
      {jet, "ImplicitCommitSync", REG_SZ, Text("YES")},
      {jet, "MaxBufferSize", REG_DWORD, Dword(512)},
      {jet, "PageTimeout", REG_DWORD, Dword(10)},
      {jet, "Threads", REG_DWORD, Dword(3)},
      {jet, "UserCommitSync", REG_SZ, Text("YES")},
  };
  for (const auto& c : cases) {
    const Value value = ReadValue(c.key, c.name);
    EXPECT_EQ(value.type, c.type) << c.name;
    EXPECT_EQ(value.data, c.data) << c.name;
  }
}

// The current directory as the system returns it: a drive's root already ends in a
// backslash, which gives two in a row.
TEST(WindowsRegistration, TheRootOfADriveGivesADoubledBackslash) {
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  const DataSourceSettings settings = DefaultDataSourceSettings();
  SetCurrentDirectoryA(before);
  EXPECT_EQ(settings.currentDirectory, "C:\\");
  ScriptedDialogs dialogs;
  ASSERT_TRUE(RegisterDataSource(settings, dialogs));
  EXPECT_EQ(ReadValue("Software\\ODBC\\ODBC.INI\\kelvatrix", "DBQ").data,
            Text("C:\\\\kelvatrix.mdb"));
}

// Starts this test program as a child that takes the guard `name`; returns its exit code
// (0: it got the guard, 3: refused), or, with `keep`, STILL_ACTIVE and the child holding.
DWORD RunGuardChild(const std::string& name, PROCESS_INFORMATION* keep = nullptr) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  SetEnvironmentVariableA("KELVATRIX_GUARD_CHILD", name.c_str());
  SetEnvironmentVariableA("KELVATRIX_GUARD_HOLD", keep ? "1" : nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string command = std::string("\"") + self + "\"";
  const BOOL started = CreateProcessA(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &process);
  SetEnvironmentVariableA("KELVATRIX_GUARD_CHILD", nullptr);
  SetEnvironmentVariableA("KELVATRIX_GUARD_HOLD", nullptr);
  if (!started) return 99;
  if (keep) {
    *keep = process;
    return STILL_ACTIVE;
  }
  WaitForSingleObject(process.hProcess, 30000);
  DWORD code = 98;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

TEST(WindowsGuard, ASecondProcessIsRefusedUntilTheFirstHasEnded) {
  const std::string name = "Kelvatrix-guard-test-" + std::to_string(GetCurrentProcessId());
  const HANDLE held = CreateEventA(nullptr, TRUE, FALSE, (name + "-held").c_str());
  const HANDLE release = CreateEventA(nullptr, TRUE, FALSE, (name + "-release").c_str());
  PROCESS_INFORMATION first{};
  ASSERT_EQ(RunGuardChild(name, &first), static_cast<DWORD>(STILL_ACTIVE));
  // A cold Wine takes its time to start a process: wait for the child itself.
  ASSERT_EQ(WaitForSingleObject(held, 120000), WAIT_OBJECT_0)
      << "the first child never took the guard";
  EXPECT_EQ(RunGuardChild(name), 3u) << "refused while the first runs";
  SetEvent(release);
  WaitForSingleObject(first.hProcess, 30000);
  DWORD code = 98;
  GetExitCodeProcess(first.hProcess, &code);
  CloseHandle(first.hThread);
  CloseHandle(first.hProcess);
  EXPECT_EQ(code, 0u) << "the first got the guard";
  EXPECT_EQ(RunGuardChild(name), 0u) << "a new one starts once the first has ended";
  CloseHandle(held);
  CloseHandle(release);
}

}  // namespace
}  // namespace kelvatrix
