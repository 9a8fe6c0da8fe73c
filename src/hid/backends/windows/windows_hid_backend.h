#pragma once
// The Windows HID backend: the HID interfaces through SetupApi.dll (SetupDiGetClassDevsA,
// SetupDiEnumDeviceInterfaces, SetupDiGetDeviceInterfaceDetailA and the devices' registry
// properties), opened with CreateFileA, identified and measured through HID.dll, and the
// system's device-change broadcast received by a hidden top-level window on a watcher
// thread of its own.
//
// Windows frames reports as the layer above expects: the report ID byte first, lengths
// counting it.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hid/backends/windows/win_hid_library.h"
#include "hid/hid_backend.h"

namespace kelvatrix {

class WindowsHidBackend final : public HidBackend {
 public:
  struct Options {
    // An entry point to treat as missing, so a test sees the binding fail; null for none.
    const char* missingEntryPoint = nullptr;
  };

  WindowsHidBackend() : WindowsHidBackend(Options{}) {}
  explicit WindowsHidBackend(Options options);
  ~WindowsHidBackend() override;

  bool Bind() override;
  void Unbind() override;
  bool Bound() const override { return library_.Bound(); }
  std::vector<std::unique_ptr<HidPnPInfo>> ListInterfaces() override;
  std::shared_ptr<HidHandle> Open(const HidPnPInfo& info, HidAccess access) override;
  void WatchDeviceChanges(std::function<void()> changed) override;

  // The hidden window receiving the broadcast, while device changes are watched.
  HWND NotifyWindow() const { return notifyWindow_; }

 private:
  void StopWatching();
  void FillProperties(HDEVINFO set, SP_DEVINFO_DATA& data, HidPnPInfo& info);

  Options options_;
  WinHidLibrary library_;
  GUID hidGuid_{};
  std::thread watcher_;
  HWND notifyWindow_ = nullptr;
  std::function<void()> changed_;
};

}  // namespace kelvatrix
