#include "hid/backends/windows/win_hid_library.h"

#include <cstring>

namespace kelvatrix {
namespace {

template <typename Function>
void Resolve(ModuleHandle module, const char* name, Function& slot, bool& allFound,
             const char* missing) {
  ModuleEntry entry = ModuleSymbolTracked(module, name, allFound);
  if (missing && std::strcmp(name, missing) == 0) {
    entry = nullptr;
    allFound = false;
  }
  slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(entry));
}

}  // namespace

bool WinHidLibrary::Bind(const char* missing) {
  if (Bound()) return true;
  // The device-setup library first, then HID.dll, as the controller binds them.
  if (!ModuleOpen(setupApi, "SetupApi.dll")) return false;
  bool ok = true;
  Resolve(setupApi, "SetupDiGetClassDevsA", SetupDiGetClassDevsA, ok, missing);
  Resolve(setupApi, "SetupDiEnumDeviceInterfaces", SetupDiEnumDeviceInterfaces, ok, missing);
  Resolve(setupApi, "SetupDiGetDeviceInterfaceDetailA", SetupDiGetDeviceInterfaceDetailA, ok,
          missing);
  Resolve(setupApi, "SetupDiGetDeviceRegistryPropertyA", SetupDiGetDeviceRegistryPropertyA, ok,
          missing);
  Resolve(setupApi, "SetupDiDestroyDeviceInfoList", SetupDiDestroyDeviceInfoList, ok, missing);
  if (ok && ModuleOpen(hid, "HID.dll")) {
    Resolve(hid, "HidD_GetHidGuid", HidD_GetHidGuid, ok, missing);
    Resolve(hid, "HidD_GetAttributes", HidD_GetAttributes, ok, missing);
    Resolve(hid, "HidD_GetPreparsedData", HidD_GetPreparsedData, ok, missing);
    Resolve(hid, "HidD_FreePreparsedData", HidD_FreePreparsedData, ok, missing);
    Resolve(hid, "HidP_GetCaps", HidP_GetCaps, ok, missing);
  } else {
    ok = false;
  }
  if (!ok) Unbind();
  return ok;
}

void WinHidLibrary::Unbind() {
  ModuleClose(hid);
  ModuleClose(setupApi);
  *this = WinHidLibrary{};
}

}  // namespace kelvatrix
