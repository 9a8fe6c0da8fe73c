#pragma once
// Registers the ODBC data source through which the program reaches its measurement
// table. Written at every start, never removed.
//
// Linux: a user data source in unixODBC's user file ($ODBCINI, else .odbc.ini in the
// user's home directory as the password database gives it) naming
// the SQLite ODBC driver and kelvatrix.db in the current directory. Windows: the
// Microsoft Access data source entries under HKEY_LOCAL_MACHINE.

#include <stdexcept>
#include <string>

#include "platform/dialogs.h"

namespace kelvatrix {

inline constexpr const char* kDataSourceName = "kelvatrix";
inline constexpr const char* kRegistrationFailedText =
    "Register file operation fail\rPlease check up your operation system";
inline constexpr const char* kRegistrationFailedCaption = "Error Information";

struct DataSourceSettings {
  // The directory that holds the database file; the process's current directory.
  std::string currentDirectory;
  // Linux: the ODBC driver, a library path or a name registered in odbcinst.ini.
  std::string driver;
  // Linux: the file to write; empty means the user file unixODBC reads.
  std::string iniPath;
};

// The settings of a normal start: the current directory, the driver found at build time.
DataSourceSettings DefaultDataSourceSettings();

// The database file the data source names: kelvatrix.db (Linux) or kelvatrix.mdb
// (Windows) in the settings' directory.
std::string DatabaseFilePath(const DataSourceSettings& settings);

// The user data source file unixODBC reads: $ODBCINI when set, else .odbc.ini in the home
// directory of the user's password entry (unixODBC does not look at $HOME; /home for a
// user without an entry).
std::string UserOdbcIniPath();

// A value that the platform's store could not take ("Failed to set data for 'DBQ'").
class RegistrationValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes the entries. When the store cannot be opened or written, shows the
// "Error Information" message through `dialogs` and returns false; nothing is half
// written. Throws RegistrationValueError when a single value is refused (Windows).
bool RegisterDataSource(const DataSourceSettings& settings, Dialogs& dialogs);

}  // namespace kelvatrix
