#include "platform/instance_guard.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace kelvatrix {
namespace {

std::string UniqueName(const char* what) {
  return std::string("kelvatrix-test-") + what + "-" + std::to_string(getpid());
}

// Each test with a runtime folder of its own, never the user's.
class InstanceGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) saved_ = runtime;
    char folder[] = "/tmp/kelvatrix-guard-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    setenv("XDG_RUNTIME_DIR", folder, 1);
  }
  void TearDown() override {
    if (saved_) {
      setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

 private:
  std::optional<std::string> saved_;
  std::string folder_;
};

TEST_F(InstanceGuardTest, SecondHolderOfTheSameNameIsRefusedOtherNamesAreNot) {
  const std::string name = UniqueName("same");
  InstanceGuard first;
  InstanceGuard second;
  InstanceGuard other;
  ASSERT_TRUE(first.Acquire(name));
  EXPECT_FALSE(second.Acquire(name));
  EXPECT_TRUE(other.Acquire(name + "-copy"));
}

TEST_F(InstanceGuardTest, AnInstanceThatDiedWithoutCleaningUpBlocksNothing) {
  const std::string name = UniqueName("crash");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceGuard guard;
    const char ok = guard.Acquire(name) ? '1' : '0';
    (void)!write(ready[1], &ok, 1);
    pause();  // hold the guard until killed
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, '1');

  InstanceGuard whileAlive;
  EXPECT_FALSE(whileAlive.Acquire(name));

  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  InstanceGuard afterCrash;
  EXPECT_TRUE(afterCrash.Acquire(name));
  close(ready[0]);
  close(ready[1]);
}

}  // namespace
}  // namespace kelvatrix
