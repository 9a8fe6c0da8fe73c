#pragma once
// Finds the meter among the HID devices. Every device change gives back every device held
// (destroying it), claims every present device again through the controller's
// enumeration and selects the meter by its vendor and product IDs; the last one listed
// wins. References to a device are therefore never kept across messages: read
// CurrentDev() afresh for every command.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "hid/hid_device_controller.h"

namespace kelvatrix {

inline constexpr std::uint16_t kMeterVendorId = 0x1234;
inline constexpr std::uint16_t kMeterProductId = 0x5678;

class MeterSelection {
 public:
  explicit MeterSelection(HidDeviceController& hidCtl) : hidCtl_(hidCtl) {}
  ~MeterSelection();

  // Start-up makes the (empty) list; until then device changes have nothing to fill.
  void CreateDevList();
  bool HasDevList() const { return devList_.has_value(); }

  // The controller's OnEnumerate: claims the device; always asks for the next one.
  bool HidCtlEnumerate(HidDevice& device, std::int32_t index);
  // The controller's OnDeviceChange: rebuilds the list and selects the meter.
  void HidCtlDeviceChange(HidDeviceController& sender);

  HidDevice* CurrentDev() const { return currentDev_; }
  bool DevConnected() const { return devConnected_; }
  // The claimed devices; a failed claim leaves an empty place.
  const std::vector<std::unique_ptr<HidDevice>>& DevList() const;
  // How many device changes have been handled (the first one comes from start-up).
  int DeviceChanges() const { return deviceChanges_; }

 private:
  HidDeviceController& hidCtl_;
  std::optional<std::vector<std::unique_ptr<HidDevice>>> devList_;
  HidDevice* currentDev_ = nullptr;
  bool devConnected_ = false;
  int deviceChanges_ = 0;
};

}  // namespace kelvatrix
