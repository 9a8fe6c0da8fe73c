#include "platform/module_loader.h"

#include <gtest/gtest.h>

namespace kelvatrix {
namespace {

TEST(ModuleLoader, BindsAListAllOrNothingAgainstOneFlag) {
  ModuleHandle math = nullptr;
  ASSERT_TRUE(ModuleOpen(math, "libm.so.6"));
  ModuleHandle same = math;
  EXPECT_TRUE(ModuleOpen(same, "no-such-library.so")) << "a loaded handle is kept";

  bool allFound = true;
  EXPECT_NE(ModuleSymbolTracked(math, "cos", allFound), nullptr);
  EXPECT_TRUE(allFound);
  EXPECT_EQ(ModuleSymbolTracked(math, "no_such_function", allFound), nullptr);
  EXPECT_NE(ModuleSymbolTracked(math, "sin", allFound), nullptr);
  EXPECT_FALSE(allFound) << "a later hit never sets the flag again";

  ModuleClose(math);
  EXPECT_EQ(math, nullptr);
  EXPECT_EQ(ModuleSymbol(math, "cos"), nullptr);
}

TEST(ModuleLoader, MissingLibraryLeavesTheHandleEmpty) {
  ModuleHandle handle = nullptr;
  EXPECT_FALSE(ModuleOpen(handle, "libkelvatrix-missing.so.1"));
  EXPECT_EQ(handle, nullptr);
  ModuleClose(handle);
}

}  // namespace
}  // namespace kelvatrix
