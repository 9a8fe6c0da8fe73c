#include "hid/backends/windows/windows_hid_backend.h"

#include <dbt.h>

#include <cstring>
#include <future>

#include "hid/backends/windows/windows_hid_handle.h"
#include "hid/hid_last_error.h"

namespace kelvatrix {
namespace {

// The platform's HID interface class, for when HID.dll cannot tell it.
constexpr GUID kHidInterfaceClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

constexpr std::size_t kTextBytes = 1024;
constexpr std::size_t kListBytes = 16384;

const char* const kWindowClass = "KelvatrixHidNotify";

// The fixed size of the detail record's head, as SetupApi checks it: 5 in a 32-bit
// process, 8 in a 64-bit one.
constexpr DWORD DetailHeadSize() { return sizeof(void*) == 8 ? 8 : 5; }

}  // namespace

WindowsHidBackend::WindowsHidBackend(Options options) : options_(options) {}

WindowsHidBackend::~WindowsHidBackend() {
  StopWatching();
  Unbind();
}

bool WindowsHidBackend::Bind() {
  if (!library_.Bind(options_.missingEntryPoint)) return false;
  library_.HidD_GetHidGuid(&hidGuid_);
  return true;
}

void WindowsHidBackend::Unbind() {
  StopWatching();
  library_.Unbind();
  hidGuid_ = kHidInterfaceClass;
}

void WindowsHidBackend::FillProperties(HDEVINFO set, SP_DEVINFO_DATA& data, HidPnPInfo& info) {
  // Each property read into a cleared buffer; the result is not tested, so one the device
  // lacks reads as empty or 0.
  const auto text = [&](DWORD property, std::string& out) {
    char buffer[kTextBytes] = {};
    library_.SetupDiGetDeviceRegistryPropertyA(
        set, &data, property, nullptr, reinterpret_cast<PBYTE>(buffer), sizeof buffer, nullptr);
    out.assign(buffer, strnlen(buffer, sizeof buffer));
  };
  const auto list = [&](DWORD property, std::vector<std::string>& out) {
    std::vector<char> buffer(kListBytes, 0);
    library_.SetupDiGetDeviceRegistryPropertyA(set, &data, property, nullptr,
                                               reinterpret_cast<PBYTE>(buffer.data()),
                                               static_cast<DWORD>(buffer.size()), nullptr);
    out.clear();
    for (std::size_t at = 0; at < buffer.size() && buffer[at] != '\0';) {
      const std::size_t length = strnlen(buffer.data() + at, buffer.size() - at);
      out.emplace_back(buffer.data() + at, length);
      at += length + 1;
    }
  };
  const auto number = [&](DWORD property, std::uint32_t& out) {
    DWORD value = 0;
    library_.SetupDiGetDeviceRegistryPropertyA(
        set, &data, property, nullptr, reinterpret_cast<PBYTE>(&value), sizeof value, nullptr);
    out = value;
  };
  number(SPDRP_CAPABILITIES, info.Capabilities);
  text(SPDRP_CLASS, info.Class);
  text(SPDRP_CLASSGUID, info.ClassGuid);
  list(SPDRP_COMPATIBLEIDS, info.CompatibleIds);
  number(SPDRP_CONFIGFLAGS, info.ConfigFlags);
  text(SPDRP_DEVICEDESC, info.DeviceDesc);
  text(SPDRP_DRIVER, info.Driver);
  text(SPDRP_FRIENDLYNAME, info.FriendlyName);
  list(SPDRP_HARDWAREID, info.HardwareId);
  list(SPDRP_LOWERFILTERS, info.LowerFilters);
  text(SPDRP_MFG, info.Mfg);
  list(SPDRP_UPPERFILTERS, info.UpperFilters);
  text(SPDRP_SERVICE, info.Service);
  text(SPDRP_ADDRESS, info.Address);
  number(SPDRP_BUSNUMBER, info.BusNumber);
  text(SPDRP_BUSTYPEGUID, info.BusTypeGuid);
  text(SPDRP_CHARACTERISTICS, info.Characteristics);
  number(SPDRP_DEVTYPE, info.DevType);
  text(SPDRP_ENUMERATOR_NAME, info.EnumeratorName);
  number(SPDRP_EXCLUSIVE, info.Exclusive);
  number(SPDRP_LEGACYBUSTYPE, info.LegacyBusType);
  text(SPDRP_LOCATION_INFORMATION, info.LocationInformation);
  text(SPDRP_PHYSICAL_DEVICE_OBJECT_NAME, info.PhysicalDeviceObjectName);
  text(SPDRP_SECURITY_SDS, info.SecuritySds);
  number(SPDRP_UI_NUMBER, info.UiNumber);
  text(SPDRP_UI_NUMBER_DESC_FORMAT, info.UiNumberDescFormat);
}

std::vector<std::unique_ptr<HidPnPInfo>> WindowsHidBackend::ListInterfaces() {
  std::vector<std::unique_ptr<HidPnPInfo>> list;
  if (!Bound()) return list;
  const HDEVINFO set = library_.SetupDiGetClassDevsA(&hidGuid_, nullptr, nullptr,
                                                     DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return list;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (!library_.SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid_, index, &interfaceData))
      break;
    SP_DEVINFO_DATA deviceData{};
    deviceData.cbSize = sizeof deviceData;
    DWORD required = 0;
    library_.SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required,
                                              &deviceData);
    // An interface whose detail cannot be read yields no device; the scan goes on.
    if (required == 0 || GetLastError() != ERROR_INSUFFICIENT_BUFFER) continue;
    std::vector<std::uint8_t> block(
        std::max<DWORD>(required, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)), 0);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(block.data());
    detail->cbSize = DetailHeadSize();
    if (!library_.SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, required, nullptr,
                                                   &deviceData)) {
      continue;
    }
    auto info = std::make_unique<HidPnPInfo>();
    info->DevInst = deviceData.DevInst;
    const std::size_t pathBytes =
        block.size() - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    info->DevicePath.assign(detail->DevicePath, strnlen(detail->DevicePath, pathBytes));
    FillProperties(set, deviceData, *info);
    list.push_back(std::move(info));
  }
  library_.SetupDiDestroyDeviceInfoList(set);
  return list;
}

std::shared_ptr<HidHandle> WindowsHidBackend::Open(const HidPnPInfo& info, HidAccess access) {
  DWORD rights = 0;
  DWORD flags = 0;
  switch (access) {
    case HidAccess::ReadWrite:
      rights = GENERIC_READ | GENERIC_WRITE;
      break;
    case HidAccess::None:
      break;
    case HidAccess::OverlappedRead:
      rights = GENERIC_READ;
      flags = FILE_FLAG_OVERLAPPED;
      break;
    case HidAccess::OverlappedWrite:
      rights = GENERIC_WRITE;
      flags = FILE_FLAG_OVERLAPPED;
      break;
  }
  const HANDLE handle =
      CreateFileA(info.DevicePath.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    HidFail(static_cast<std::uint32_t>(GetLastError()));
    return nullptr;
  }
  return std::make_shared<WindowsHidHandle>(handle, library_);
}

namespace {

// The hidden window's procedure: the broadcast of changed device nodes calls the
// backend's handler; a query for the end of the session is answered yes, so the window
// never holds up a log-off; everything else once the window stands is answered 0.
LRESULT CALLBACK NotifyWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* changed =
      reinterpret_cast<std::function<void()>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!changed) return DefWindowProcA(window, message, wParam, lParam);  // while it is being made
  if (message == WM_DEVICECHANGE && wParam == DBT_DEVNODES_CHANGED) (*changed)();
  if (message == WM_QUERYENDSESSION) return 1;
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    PostQuitMessage(0);
  }
  return 0;
}

}  // namespace

void WindowsHidBackend::WatchDeviceChanges(std::function<void()> changed) {
  StopWatching();
  if (!changed || !Bound()) return;
  changed_ = std::move(changed);
  // The watcher hands its window over through a promise it owns: once the value is set
  // it touches nothing of this call, which may have returned.
  std::promise<HWND> made;
  std::future<HWND> window = made.get_future();
  // The broadcast reaches top-level windows only: a hidden one, with no size, of its own.
  watcher_ = std::thread([this, made = std::move(made)]() mutable {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &NotifyWndProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&changed_));
    made.set_value(window);
    if (!window) return;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  });
  notifyWindow_ = window.get();
  if (!notifyWindow_) watcher_.join();
}

void WindowsHidBackend::StopWatching() {
  if (watcher_.joinable()) {
    if (notifyWindow_) PostMessageA(notifyWindow_, WM_CLOSE, 0, 0);
    watcher_.join();
  }
  notifyWindow_ = nullptr;
  changed_ = {};
}

}  // namespace kelvatrix
