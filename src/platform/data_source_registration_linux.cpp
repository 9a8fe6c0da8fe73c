#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/data_source_registration.h"
#include "platform/ini_text.h"
#include "platform/replacing_file.h"

#ifndef KELVATRIX_SQLITE_ODBC_DRIVER
#define KELVATRIX_SQLITE_ODBC_DRIVER "SQLite3"
#endif

namespace kelvatrix {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::error_code error;
    // A missing file is an empty one; an unreadable one must not be overwritten.
    if (!fs::exists(path, error) && !error) return std::string();
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(text).str();
}

// Replaces `path` by `text` in one step: the old file stays whole until the new one is
// complete, and keeps its permissions; a new one is the user's alone. A link is followed,
// not replaced.
bool ReplaceFile(const fs::path& path, const std::string& text) {
  ReplacingFile file(path.string(), ReplacingFile::NewFile::Private);
  return file.Open() && file.Write(text.data(), text.size()) && file.Commit();
}

bool ReportFailure(Dialogs& dialogs) {
  dialogs.MessageBox(kRegistrationFailedText, kRegistrationFailedCaption, box::kError);
  return false;
}

}  // namespace

DataSourceSettings DefaultDataSourceSettings() {
  DataSourceSettings settings;
  std::error_code error;
  settings.currentDirectory = fs::current_path(error).string();
  settings.driver = KELVATRIX_SQLITE_ODBC_DRIVER;
  return settings;
}

std::string DatabaseFilePath(const DataSourceSettings& settings) {
  return (fs::path(settings.currentDirectory) / "kelvatrix.db").string();
}

// unixODBC takes the home directory from the password database, not from $HOME, and
// falls back to /home for a user without an entry there. Writing any other file would
// register a data source that the driver manager never reads, while the program went on
// to open whatever the user's own file names.
std::string UserOdbcIniPath() {
  if (const char* ini = std::getenv("ODBCINI"); ini && *ini) return ini;
  std::string home = "/home";
  const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
  passwd entry{};
  passwd* user = nullptr;
  while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &user) == ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  if (user && user->pw_dir) home = user->pw_dir;
  return home + "/.odbc.ini";
}

bool RegisterDataSource(const DataSourceSettings& settings, Dialogs& dialogs) {
  if (settings.currentDirectory.empty()) return ReportFailure(dialogs);
  const std::string database = DatabaseFilePath(settings);
  const IniEntries entries = {
      {"Description", "Orvendel Data Source"},
      {"Driver", settings.driver},
      {"Database", database},
      {"JournalMode", "WAL"},
      {"SyncPragma", "NORMAL"},
      // How long one statement waits on a database another program keeps locked: a
      // quarter of a second, not the driver's 100. The download waits longer, but in
      // steps that keep the window working.
      {"Timeout", "250"},
  };
  for (const auto& entry : entries) {
    if (!IniCanHold(entry.second)) return ReportFailure(dialogs);
  }

  const fs::path ini = settings.iniPath.empty() ? UserOdbcIniPath() : settings.iniPath;
  const std::optional<std::string> before = ReadWholeFile(ini);
  if (!before) return ReportFailure(dialogs);
  const std::string after = SetIniSection(*before, kDataSourceName, entries);
  if (after == *before) return true;
  if (!ReplaceFile(ini, after)) return ReportFailure(dialogs);
  return true;
}

}  // namespace kelvatrix
