#pragma once
// HID.dll and SetupApi.dll, bound at run time through the module loader, all or nothing:
// a system that lacks either, or any entry point the program calls, leaves the HID
// transport inert instead of failing to start.

#include <windows.h>
// After windows.h, which they need:
#include <hidsdi.h>
#include <setupapi.h>

#include "platform/module_loader.h"

namespace kelvatrix {

struct WinHidLibrary {
  // HID.dll
  void(__stdcall* HidD_GetHidGuid)(LPGUID) = nullptr;
  BOOLEAN(__stdcall* HidD_GetAttributes)(HANDLE, PHIDD_ATTRIBUTES) = nullptr;
  BOOLEAN(__stdcall* HidD_GetPreparsedData)(HANDLE, PHIDP_PREPARSED_DATA*) = nullptr;
  BOOLEAN(__stdcall* HidD_FreePreparsedData)(PHIDP_PREPARSED_DATA) = nullptr;
  NTSTATUS(__stdcall* HidP_GetCaps)(PHIDP_PREPARSED_DATA, PHIDP_CAPS) = nullptr;
  // SetupApi.dll
  HDEVINFO(WINAPI* SetupDiGetClassDevsA)(const GUID*, PCSTR, HWND, DWORD) = nullptr;
  BOOL(WINAPI* SetupDiEnumDeviceInterfaces)
  (HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD, PSP_DEVICE_INTERFACE_DATA) = nullptr;
  BOOL(WINAPI* SetupDiGetDeviceInterfaceDetailA)
  (HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD, PDWORD,
   PSP_DEVINFO_DATA) = nullptr;
  BOOL(WINAPI* SetupDiGetDeviceRegistryPropertyA)
  (HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD, PDWORD) = nullptr;
  BOOL(WINAPI* SetupDiDestroyDeviceInfoList)(HDEVINFO) = nullptr;

  // Binds both libraries and every entry point, or nothing. `missing` names an entry
  // point to treat as absent (tests of the all-or-nothing rule); null for none.
  bool Bind(const char* missing = nullptr);
  void Unbind();
  bool Bound() const { return hid != nullptr; }

  ModuleHandle hid = nullptr;
  ModuleHandle setupApi = nullptr;
};

}  // namespace kelvatrix
