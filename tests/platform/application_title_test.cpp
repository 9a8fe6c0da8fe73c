#include "platform/application_title.h"

#include <gtest/gtest.h>

namespace kelvatrix {
namespace {

TEST(ApplicationTitle, CutsAtFirstDotAndLowersAllButTheFirstCharacter) {
  const struct {
    const char* path;
    const char* title;
  } cases[] = {
      {"C:\\Tools\\Meter.Tool.exe", "Meter"},
      {"ABC.EXE", "Abc"},
      {"/usr/local/bin/kelvatrix", "kelvatrix"},
      {"/opt/KELVATRIX", "Kelvatrix"},
      {"/opt/my.dir/Kelvatrix-Copy", "Kelvatrix-copy"},
      {"./.hidden", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ApplicationTitle(c.path), c.title) << c.path;
}

TEST(ApplicationTitle, ExecutablePathNamesThisTestProgram) {
  EXPECT_EQ(ApplicationTitle(ExecutablePath()), "platform_tests");
}

}  // namespace
}  // namespace kelvatrix
