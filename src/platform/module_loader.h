#pragma once
// Run-time binding of platform libraries (dlopen / LoadLibrary). The loader keeps no
// state: each caller owns its handle variable, and a null handle means "not loaded".

namespace kelvatrix {

using ModuleHandle = void*;
using ModuleEntry = void*;

// Loads `name` into `handle` unless it already holds a module. True when loaded.
bool ModuleOpen(ModuleHandle& handle, const char* name);

// Releases the module, if any, and clears `handle`.
void ModuleClose(ModuleHandle& handle);

// The entry point `name`, or null when it is missing or no module is loaded.
ModuleEntry ModuleSymbol(ModuleHandle handle, const char* name);

// As ModuleSymbol, and clears `allFound` when the entry point is missing (never sets it),
// so a whole list can be bound against one flag.
ModuleEntry ModuleSymbolTracked(ModuleHandle handle, const char* name, bool& allFound);

}  // namespace kelvatrix
