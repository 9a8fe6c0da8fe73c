#include "platform/module_loader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace kelvatrix {

bool ModuleOpen(ModuleHandle& handle, const char* name) {
  if (!handle) {
#ifdef _WIN32
    handle = reinterpret_cast<ModuleHandle>(LoadLibraryA(name));
#else
    handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
#endif
  }
  return handle != nullptr;
}

void ModuleClose(ModuleHandle& handle) {
  if (handle) {
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
  }
  handle = nullptr;
}

ModuleEntry ModuleSymbol(ModuleHandle handle, const char* name) {
  if (!handle) return nullptr;
#ifdef _WIN32
  return reinterpret_cast<ModuleEntry>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
  return dlsym(handle, name);
#endif
}

ModuleEntry ModuleSymbolTracked(ModuleHandle handle, const char* name, bool& allFound) {
  ModuleEntry entry = ModuleSymbol(handle, name);
  if (!entry) allFound = false;
  return entry;
}

}  // namespace kelvatrix
