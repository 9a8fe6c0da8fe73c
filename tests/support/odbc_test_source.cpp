#include "odbc_test_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/scripted_dialogs.h"

namespace kelvatrix::test {
namespace {

std::optional<std::string> Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

void Restore(const char* name, const std::optional<std::string>& value) {
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace

OdbcTestSource::OdbcTestSource() : savedIni_(Environment("ODBCINI")), savedRuntime_(Environment("XDG_RUNTIME_DIR")) {
  const std::string pattern = (std::filesystem::temp_directory_path() / "kelvatrix-test-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) throw std::runtime_error("no temporary directory");
  dir_ = name.data();
  std::filesystem::create_directory(dir_ + "/run");
  chmod((dir_ + "/run").c_str(), 0700);
  setenv("ODBCINI", (dir_ + "/odbc.ini").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (dir_ + "/run").c_str(), 1);
  ScriptedDialogs dialogs;
  if (!RegisterDataSource(Settings(), dialogs)) throw std::runtime_error("registration failed");
}

OdbcTestSource::~OdbcTestSource() {
  Restore("ODBCINI", savedIni_);
  Restore("XDG_RUNTIME_DIR", savedRuntime_);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

DataSourceSettings OdbcTestSource::Settings() const {
  DataSourceSettings settings = DefaultDataSourceSettings();
  settings.currentDirectory = dir_;
  return settings;
}

std::vector<std::vector<OdbcText>> OdbcTestSource::Query(const std::string& sql) const {
  OdbcConnection connection("DSN=" + std::string(kDataSourceName));
  OdbcStatement statement(connection, sql);
  statement.Execute();
  std::vector<std::vector<OdbcText>> rows;
  while (auto row = statement.Fetch()) rows.push_back(std::move(*row));
  return rows;
}

void OdbcTestSource::InsertRun(int rows, const std::string& resistanceUnit) const {
  Query("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(rows - 1) +
        ") INSERT INTO savedata (recno, times, voltage, unitv, \"register\", unitr) "
        "SELECT i, i % 600 + 1, '5000', 'V', ((i * 7) % 1000 + 1) / 10.0, '" +
        resistanceUnit + "' FROM n");
}

}  // namespace kelvatrix::test
