#include <windows.h>

#include <odbcinst.h>

#include <optional>
#include <string>

#include "platform/data_source_registration.h"

namespace kelvatrix {
namespace {

constexpr DWORD kDirectoryBuffer = 254;  // terminator included

class RegistryKey {
 public:
  RegistryKey(HKEY root, const char* path) {
    if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  explicit operator bool() const { return key_ != nullptr; }

  // Text values are written with their terminating zero byte.
  void Text(const char* name, const std::string& value) {
    Set(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
  }
  void Number(const char* name, DWORD value) { Set(name, REG_DWORD, &value, sizeof value); }
  void Byte(const char* name, BYTE value) { Set(name, REG_BINARY, &value, 1); }

 private:
  void Set(const char* name, DWORD type, const void* data, DWORD size) {
    if (RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size) !=
        ERROR_SUCCESS) {
      throw RegistrationValueError(std::string("Failed to set data for '") + name + "'");
    }
  }
  HKEY key_ = nullptr;
};

bool ReportFailure(Dialogs& dialogs) {
  dialogs.MessageBox(kRegistrationFailedText, kRegistrationFailedCaption, box::kError);
  return false;
}

// A directory as the system returns it, or nothing when it does not fit the buffer:
// a cut-off directory would name a file the system never returned.
std::optional<std::string> Directory(UINT (*get)(char*, UINT)) {
  char buffer[kDirectoryBuffer] = {};
  const UINT length = get(buffer, kDirectoryBuffer);
  if (length == 0 || length >= kDirectoryBuffer) return std::nullopt;
  return std::string(buffer, length);
}

UINT CurrentDirectory(char* buffer, UINT size) { return GetCurrentDirectoryA(size, buffer); }
UINT SystemDirectory(char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }

}  // namespace

DataSourceSettings DefaultDataSourceSettings() {
  DataSourceSettings settings;
  if (auto directory = Directory(CurrentDirectory)) settings.currentDirectory = *directory;
  return settings;
}

std::string UserOdbcIniPath() { return {}; }

std::string DatabaseFilePath(const DataSourceSettings& settings) {
  return settings.currentDirectory + "\\kelvatrix.mdb";
}

namespace {

// The entries under `root`; false when a key cannot be made there.
bool WriteEntries(HKEY root, const DataSourceSettings& settings) {
  {
    RegistryKey sources(root, "Software\\ODBC\\ODBC.INI\\ODBC Data Sources");
    if (!sources) return false;
    sources.Text(kDataSourceName, "Microsoft Access Driver (*.mdb)");
  }
  {
    RegistryKey source(root, "Software\\ODBC\\ODBC.INI\\kelvatrix");
    if (!source) return false;
    // Used as the system returns it: a root such as D:\ gives D:\\kelvatrix.mdb.
    source.Text("DBQ", settings.currentDirectory + "\\kelvatrix.mdb");
    source.Text("Description", "Orvendel Data Source");
    const auto system = Directory(SystemDirectory);
    if (!system) return false;
    source.Text("Driver", *system + "\\odbcjt32.dll");
    source.Number("DriverId", 25);
    source.Text("FIL", "MS Access;");
    source.Number("SafeTransaction", 0);
    source.Text("UID", "");
    source.Byte("Exclusive", 0);
    source.Byte("ReadOnly", 0);
  }
  {
    RegistryKey jet(root, "Software\\ODBC\\ODBC.INI\\kelvatrix\\Engines\\Jet");
    if (!jet) return false;
    jet.Text("ImplicitCommitSync", "YES");
    jet.Number("MaxBufferSize", 512);
    jet.Number("PageTimeout", 10);
    jet.Number("Threads", 3);
    jet.Text("UserCommitSync", "YES");
  }
  return true;
}

// The Access driver opens only a database file that exists: a missing one is made empty
// (the driver's CREATE_DB), and the store makes its table. Where the driver is not
// installed (Wine hands ODBC to the host's driver manager) nothing is made, and opening
// the table says what is wrong.
void CreateMissingDatabase(const DataSourceSettings& settings) {
  const std::string file = DatabaseFilePath(settings);
  if (GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  const int length = MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  // Attributes: each ended by a NUL, the list by a second one.
  std::wstring attributes = L"CREATE_DB=\"" + wide + L"\" General";
  attributes.push_back(L'\0');
  SQLConfigDataSourceW(nullptr, ODBC_ADD_DSN, L"Microsoft Access Driver (*.mdb)", attributes.c_str());
}

}  // namespace

bool RegisterDataSource(const DataSourceSettings& settings, Dialogs& dialogs) {
  if (settings.currentDirectory.empty()) return ReportFailure(dialogs);
  // A standard user may not write the machine's entries: then they go to the user's own,
  // which the driver manager reads first.
  if (!WriteEntries(HKEY_LOCAL_MACHINE, settings) && !WriteEntries(HKEY_CURRENT_USER, settings))
    return ReportFailure(dialogs);
  CreateMissingDatabase(settings);
  return true;
}

}  // namespace kelvatrix
