#include "platform/instance_guard.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>

namespace kelvatrix {
namespace {

std::string UniqueName(const char* what) {
  return std::string("kelvatrix-test-") + what + "-" + std::to_string(getpid());
}

TEST(InstanceGuard, SecondHolderOfTheSameNameIsRefusedOtherNamesAreNot) {
  const std::string name = UniqueName("same");
  InstanceGuard first;
  InstanceGuard second;
  InstanceGuard other;
  ASSERT_TRUE(first.Acquire(name));
  EXPECT_FALSE(second.Acquire(name));
  EXPECT_TRUE(other.Acquire(name + "-copy"));
}

TEST(InstanceGuard, AnInstanceThatDiedWithoutCleaningUpBlocksNothing) {
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
