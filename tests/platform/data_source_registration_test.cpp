#include "platform/data_source_registration.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/scripted_dialogs.h"

namespace kelvatrix {
namespace {

namespace fs = std::filesystem;

class DataSourceRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kelvatrix-dsn-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    settings_.currentDirectory = (dir_ / "work").string();
    settings_.driver = "/usr/lib/odbc/libsqlite3odbc.so";
    settings_.iniPath = (dir_ / "odbc.ini").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  void ExpectRegistrationFailureShown() const {
    ASSERT_EQ(dialogs_.Shown().size(), 1u);
    EXPECT_EQ(dialogs_.Shown()[0].text, "Register file operation fail\rPlease check up your operation system");
    EXPECT_EQ(dialogs_.Shown()[0].caption, "Error Information");
    EXPECT_EQ(dialogs_.Shown()[0].flags, 16);
  }

  fs::path dir_;
  DataSourceSettings settings_;
  ScriptedDialogs dialogs_;
};

TEST_F(DataSourceRegistration, WritesTheSourceAndKeepsTheUsersOtherSources) {
  const std::string others =
      "; data sources of the lab\n[lab]\nDriver = PostgreSQL   \nServername=db1\n\n"
      "# the old tool\n[kelvatrix]\nDatabase=/gone/kelvatrix.db\nTraceFile=/tmp/t.log\n";
  Write(settings_.iniPath, others);
  chmod(settings_.iniPath.c_str(), 0640);

  ASSERT_TRUE(RegisterDataSource(settings_, dialogs_));

  EXPECT_TRUE(dialogs_.Shown().empty());
  const std::string database = (dir_ / "work" / "kelvatrix.db").string();
  EXPECT_EQ(Read(settings_.iniPath),
            "; data sources of the lab\n[lab]\nDriver = PostgreSQL   \nServername=db1\n\n"
            "# the old tool\n[kelvatrix]\nDatabase=" +
                database +
                "\nTraceFile=/tmp/t.log\nDescription=Orvendel Data Source\n"
                "Driver=/usr/lib/odbc/libsqlite3odbc.so\nJournalMode=WAL\nSyncPragma=NORMAL\n"
                "Timeout=250\n");
  struct stat info {};
  ASSERT_EQ(stat(settings_.iniPath.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u) << "the file keeps its permissions";

  // Written at every start: a second registration leaves the same text.
  const std::string first = Read(settings_.iniPath);
  ASSERT_TRUE(RegisterDataSource(settings_, dialogs_));
  EXPECT_EQ(Read(settings_.iniPath), first);
}

TEST_F(DataSourceRegistration, FollowsALinkInsteadOfReplacingIt) {
  Write(dir_ / "real.ini", "[lab]\nDriver=x\n");
  fs::create_symlink(dir_ / "real.ini", settings_.iniPath);

  ASSERT_TRUE(RegisterDataSource(settings_, dialogs_));

  EXPECT_TRUE(fs::is_symlink(settings_.iniPath));
  EXPECT_NE(Read(dir_ / "real.ini").find("[kelvatrix]"), std::string::npos);
}

TEST_F(DataSourceRegistration, UnwritableFileShowsTheFailureMessageAndCreatesNothing) {
  settings_.iniPath = (dir_ / "no" / "such" / "dir" / "odbc.ini").string();

  EXPECT_FALSE(RegisterDataSource(settings_, dialogs_));

  ExpectRegistrationFailureShown();
  EXPECT_FALSE(fs::exists(dir_ / "no"));
}

TEST_F(DataSourceRegistration, DirectoryTheFileCannotHoldIsRefusedBeforeAnythingIsWritten) {
  Write(settings_.iniPath, "[lab]\nDriver=x\n");
  settings_.currentDirectory = (dir_ / "line\nbreak").string();

  EXPECT_FALSE(RegisterDataSource(settings_, dialogs_));

  ExpectRegistrationFailureShown();
  EXPECT_EQ(Read(settings_.iniPath), "[lab]\nDriver=x\n");
}

// The file unixODBC's own tool says it reads, with the environment as it is now.
std::string UserFileOdbcinstNames() {
  std::FILE* tool = popen("odbcinst -j 2>/dev/null", "r");
  if (!tool) return "(odbcinst did not start)";
  const std::string label = "USER DATA SOURCES..: ";
  std::string found = "(odbcinst named no user file)";
  char line[4096];
  while (std::fgets(line, sizeof line, tool)) {
    std::string text(line);
    if (text.rfind(label, 0) != 0) continue;
    found = text.substr(label.size());
    while (!found.empty() && (found.back() == '\n' || found.back() == '\r')) found.pop_back();
  }
  pclose(tool);
  return found;
}

class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    if (saved_) {
      setenv(name_, saved_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// The data source is written where the driver manager looks for it: a HOME that is not the
// user's home directory (sudo, a test, a script) must not send it elsewhere.
TEST(UserOdbcIniPath, IsTheFileUnixOdbcReads) {
  const struct {
    const char* odbcIni;
    const char* home;
  } cases[] = {
      {nullptr, "/nonexistent/kelvatrix-home"},
      {nullptr, nullptr},
      {"", "/nonexistent/kelvatrix-home"},
      {"/somewhere/odbc.ini", "/nonexistent/kelvatrix-home"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("ODBCINI=") + (c.odbcIni ? c.odbcIni : "(unset)") +
                 " HOME=" + (c.home ? c.home : "(unset)"));
    const ScopedEnvironment odbcIni("ODBCINI", c.odbcIni);
    const ScopedEnvironment home("HOME", c.home);
    EXPECT_EQ(UserOdbcIniPath(), UserFileOdbcinstNames());
  }
}

}  // namespace
}  // namespace kelvatrix
