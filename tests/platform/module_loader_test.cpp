#include "platform/module_loader.h"

#include <gtest/gtest.h>

namespace kelvatrix {
namespace {

#ifdef _WIN32
const char* const kLibrary = "kernel32.dll";
const char* const kFirst = "GetTickCount";
const char* const kSecond = "Sleep";
const char* const kMissingLibrary = "kelvatrix-missing.dll";
#else
const char* const kLibrary = "libm.so.6";
const char* const kFirst = "cos";
const char* const kSecond = "sin";
const char* const kMissingLibrary = "libkelvatrix-missing.so.1";
#endif

TEST(ModuleLoader, BindsAListAllOrNothingAgainstOneFlag) {
  ModuleHandle math = nullptr;
  ASSERT_TRUE(ModuleOpen(math, kLibrary));
  ModuleHandle same = math;
  EXPECT_TRUE(ModuleOpen(same, "no-such-library.so")) << "a loaded handle is kept";

  bool allFound = true;
  EXPECT_NE(ModuleSymbolTracked(math, kFirst, allFound), nullptr);
  EXPECT_TRUE(allFound);
  EXPECT_EQ(ModuleSymbolTracked(math, "no_such_function", allFound), nullptr);
  EXPECT_NE(ModuleSymbolTracked(math, kSecond, allFound), nullptr);
  EXPECT_FALSE(allFound) << "a later hit never sets the flag again";

  ModuleClose(math);
  EXPECT_EQ(math, nullptr);
  EXPECT_EQ(ModuleSymbol(math, kFirst), nullptr);
}

TEST(ModuleLoader, MissingLibraryLeavesTheHandleEmpty) {
  ModuleHandle handle = nullptr;
  EXPECT_FALSE(ModuleOpen(handle, kMissingLibrary));
  EXPECT_EQ(handle, nullptr);
  ModuleClose(handle);
}

}  // namespace
}  // namespace kelvatrix
