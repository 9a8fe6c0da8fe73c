#include "platform/replacing_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace kelvatrix {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

bool Replace(const fs::path& path, const std::string& text,
             ReplacingFile::NewFile kind = ReplacingFile::NewFile::Shared) {
  ReplacingFile file(path.string(), kind);
  return file.Open() && file.Write(text.data(), text.size()) && file.Commit();
}

class ReplacingFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kelvatrix-replacing-" +
            std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_ / "kept", fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  // Everything in the folder but `keep`: what a save left behind.
  int Others(const std::string& keep) const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) count += entry.path().filename() != keep;
    return count;
  }
  fs::path dir_;
};

// A file its owner made read-only is the owner saying "keep this": it is refused with a
// clear reason and stays as it was, also for a user the system would let write it.
TEST_F(ReplacingFileTest, AReadOnlyFileIsKept) {
  const fs::path path = dir_ / "run.xls";
  Write(path, "old");
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
#if defined(_WIN32)
  SetFileAttributesA(path.string().c_str(), FILE_ATTRIBUTE_READONLY);
#endif
  EXPECT_TRUE(ReplacingFile::IsReadOnly(path.string()));
  ReplacingFile file(path.string());
  EXPECT_FALSE(file.Open());
  EXPECT_EQ(file.Error().rfind("'" + path.string() + "' is read-only", 0), 0u) << file.Error();
  EXPECT_EQ(Read(path), "old");
  EXPECT_EQ(Others("run.xls"), 0);
#if defined(_WIN32)
  SetFileAttributesA(path.string().c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
  fs::permissions(path, fs::perms::owner_all);
}

TEST_F(ReplacingFileTest, ReplacesWholeOrNotAtAll) {
  const fs::path path = dir_ / "run.xls";
  EXPECT_FALSE(ReplacingFile::IsReadOnly(path.string()));
  ASSERT_TRUE(Replace(path, "first"));
  EXPECT_EQ(Read(path), "first");
  ASSERT_TRUE(Replace(path, "second"));
  EXPECT_EQ(Read(path), "second");
  {
    ReplacingFile dropped(path.string());
    ASSERT_TRUE(dropped.Open());
    ASSERT_TRUE(dropped.Write("third", 5));
  }  // no Commit: the old file stays, the new one is gone
  EXPECT_EQ(Read(path), "second");
  EXPECT_EQ(Others("run.xls"), 0);
}

#if defined(_WIN32)
// "C:\run.xls": the new file is made in the root of drive C, not in the current folder
// of drive C, which "C:" names.
TEST_F(ReplacingFileTest, AFileInTheRootOfADriveIsWrittenThere) {
  char before[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryA(dir_.string().c_str()));
  const std::string path = "C:\\kelvatrix-root-test.xls";
  DeleteFileA(path.c_str());
  ReplacingFile file(path);
  ASSERT_TRUE(file.Open()) << file.Error();
  EXPECT_EQ(Others(""), 0) << "the new file went into the current folder";
  ASSERT_TRUE(file.Write("root", 4));
  EXPECT_TRUE(file.Commit()) << file.Error();
  SetCurrentDirectoryA(before);
  EXPECT_EQ(Read(path), "root");
  DeleteFileA(path.c_str());
}
#else
TEST_F(ReplacingFileTest, ANewFileFollowsTheUsersMaskAndAReplacedOneKeepsItsMode) {
  const mode_t saved = umask(027);
  const fs::path shared = dir_ / "shared";
  const fs::path secret = dir_ / "secret";
  const bool made = Replace(shared, "x") && Replace(secret, "x", ReplacingFile::NewFile::Private);
  umask(saved);
  ASSERT_TRUE(made);
  EXPECT_EQ(fs::status(shared).permissions(), fs::perms(0640));
  EXPECT_EQ(fs::status(secret).permissions(), fs::perms(0600));
  fs::permissions(shared, fs::perms(0604));
  ASSERT_TRUE(Replace(shared, "y"));
  EXPECT_EQ(fs::status(shared).permissions(), fs::perms(0604));
}

// The mask is the whole process's: reading it with umask() would hand a file that another
// thread creates meanwhile the permissions of a mask of 0.
TEST_F(ReplacingFileTest, TheUsersMaskIsNeverChangedWhileAFileIsMade) {
  const mode_t saved = umask(022);
  std::atomic<bool> done{false};
  std::atomic<int> changed{0};
  std::thread watcher([&] {
    while (!done) {
      std::ifstream status("/proc/self/status");
      for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) == 0 && line.find("0022") == std::string::npos) ++changed;
      }
    }
  });
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(Replace(dir_ / "run.xls", "x"));
  done = true;
  watcher.join();
  umask(saved);
  EXPECT_EQ(changed, 0);
}
#endif

}  // namespace
}  // namespace kelvatrix
