#pragma once
// Keeps one HidDevice per present HID interface. It scans through the backend, follows
// arrivals and removals through the device-change notice, reconciles its list with each
// scan and tells the application through events. The application gets devices by
// claiming them (ClaimByIndex), usually from its OnEnumerate handler during Enumerate, and
// gives them back by destroying them.
//
// Data flow: backend notice (any thread) -> posted to the user-interface thread ->
// NotifyDeviceNodesChanged -> DeviceChange (scan, removals, duplicates, arrivals) ->
// OnDeviceChange -> the application destroys what it holds, Enumerate, ClaimByIndex.
//
// Everything here runs on the user-interface thread.

#include <memory>
#include <string>
#include <vector>

#include "hid/hid_device.h"
#include "hid/hid_types.h"

namespace kelvatrix {

class HidDeviceController {
 public:
  static constexpr std::int32_t kStartupNotice = -1;

  // Binds the backend; if that succeeds, posts the start-up notice that makes the first
  // scan and starts following device changes. Otherwise the controller stays empty.
  HidDeviceController(MessageLoop& loop, HidBackend& backend);
  ~HidDeviceController();
  HidDeviceController(const HidDeviceController&) = delete;
  HidDeviceController& operator=(const HidDeviceController&) = delete;

  // Rescans and reconciles the device list.
  void DeviceChange();
  // Calls OnEnumerate for each plugged-in device, in list order, with its index; stops
  // when the handler answers false. Returns how many devices it visited.
  std::int32_t Enumerate();
  // Hands the device at `index` to the caller, who owns it from now on; false (and
  // `device` empty) when the index is out of range or the device is already claimed.
  bool ClaimByIndex(std::unique_ptr<HidDevice>& device, std::int32_t index);

  // The device-change notice: from the backend's watcher (parameter 0) or the start-up
  // notice (-1). Dropped while a notice-started DeviceChange runs.
  void NotifyDeviceNodesChanged(std::int32_t param);

  // While loading, assigning OnDeviceChange only stores it (the window's description
  // assigns its handlers this way).
  void SetLoading(bool loading) { loading_ = loading; }

  const HidNotifyEvent& OnDeviceChange() const { return onDeviceChange_; }
  void SetOnDeviceChange(HidNotifyEvent handler);
  const HidEnumerateEvent& OnEnumerate() const { return onEnumerate_; }
  void SetOnEnumerate(HidEnumerateEvent handler) { onEnumerate_ = handler; }
  const HidPlugEvent& OnArrival() const { return onArrival_; }
  void SetOnArrival(HidPlugEvent handler) { onArrival_ = handler; }
  const HidPlugEvent& OnRemoval() const { return onRemoval_; }
  void SetOnRemoval(HidPlugEvent handler) { onRemoval_ = handler; }
  const HidDataEvent& OnDeviceData() const { return onDeviceData_; }
  void SetOnDeviceData(HidDataEvent handler);
  const HidDataErrorEvent& OnDeviceDataError() const { return onDeviceDataError_; }
  void SetOnDeviceDataError(HidDataErrorEvent handler);
  const HidPlugEvent& OnDeviceUnplug() const { return onDeviceUnplug_; }
  void SetOnDeviceUnplug(HidPlugEvent handler);
  std::int32_t DevThreadSleepTime() const { return devThreadSleepTime_; }
  void SetDevThreadSleepTime(std::int32_t ms);
  std::string Version() const { return "1.0.32"; }
  void SetVersion(const std::string&) {}

  bool HidLibraryBound() const { return bound_; }
  bool InDeviceChange() const { return inDeviceChange_; }
  const std::vector<HidDevice*>& Devices() const { return devices_; }

 private:
  friend class HidDevice;

  std::vector<std::unique_ptr<HidDevice>> ScanPresentDevices();
  bool Lists(const HidDevice* device) const;
  // Called by a device being destroyed: its entry takes `replacement`, or goes.
  void ReplaceDevice(HidDevice* gone, std::unique_ptr<HidDevice> replacement);
  template <typename Handler>
  void CallWithInHandler(HidDevice& device, const Handler& handler);

  HidContext context_;
  bool bound_ = false;
  bool loading_ = false;
  bool inDeviceChange_ = false;
  std::int32_t lastChangeParam_ = 0;
  HidPlugEvent onArrival_;
  HidNotifyEvent onDeviceChange_;
  HidEnumerateEvent onEnumerate_;
  HidDataEvent onDeviceData_;
  HidDataErrorEvent onDeviceDataError_;
  HidPlugEvent onDeviceUnplug_;
  HidPlugEvent onRemoval_;
  std::int32_t devThreadSleepTime_ = HidDevice::kDefaultThreadSleepTime;
  // Unclaimed entries are owned here; claimed ones belong to their holder.
  std::vector<HidDevice*> devices_;
  // Posted notices look at this before touching the controller, which may be gone.
  std::shared_ptr<HidDeviceController*> alive_;
};

}  // namespace kelvatrix
