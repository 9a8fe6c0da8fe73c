#include "hid/hid_device_controller.h"

#include <algorithm>

#include "hid/controller_error.h"

namespace kelvatrix {

HidDeviceController::HidDeviceController(MessageLoop& loop, HidBackend& backend)
    : context_{backend, loop}, alive_(std::make_shared<HidDeviceController*>(this)) {
  bound_ = backend.Bind();
  if (!bound_) return;  // inert: no notices, no scans, no devices

  const std::weak_ptr<HidDeviceController*> alive = alive_;
  const auto post = [&loop, alive](std::int32_t param) {
    loop.Post([alive, param] {
      if (const auto controller = alive.lock()) (*controller)->NotifyDeviceNodesChanged(param);
    });
  };
  post(kStartupNotice);
  backend.WatchDeviceChanges([post] { post(0); });
}

HidDeviceController::~HidDeviceController() {
  onDeviceChange_ = {};
  onDeviceUnplug_ = {};
  onEnumerate_ = {};
  alive_.reset();
  if (bound_) context_.backend.WatchDeviceChanges({});
  const std::vector<HidDevice*> devices = std::move(devices_);
  devices_.clear();
  for (HidDevice* device : devices) {
    device->controller_ = nullptr;
    if (device->Claimed()) {
      device->MarkUnplugged();  // its holder keeps it; its OnUnplug fires now
    } else {
      delete device;
    }
  }
  if (bound_) context_.backend.Unbind();
}

void HidDeviceController::NotifyDeviceNodesChanged(std::int32_t param) {
  if (inDeviceChange_) return;
  lastChangeParam_ = param;
  inDeviceChange_ = true;
  // Cleared in every case, also when a handler raises, so later notices still count.
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{inDeviceChange_};
  DeviceChange();
}

std::vector<std::unique_ptr<HidDevice>> HidDeviceController::ScanPresentDevices() {
  std::vector<std::unique_ptr<HidDevice>> fresh;
  if (!bound_) return fresh;
  for (auto& info : context_.backend.ListInterfaces()) {
    try {
      fresh.emplace_back(new HidDevice(std::move(info), this, context_));
    } catch (const ControllerError&) {
      // A device that cannot be opened or identified is left out.
    }
  }
  return fresh;
}

template <typename Handler>
void HidDeviceController::CallWithInHandler(HidDevice& device, const Handler& handler) {
  device.inHandler_ = true;
  struct Clear {
    HidDevice& device;
    ~Clear() { device.inHandler_ = false; }
  } clear{device};
  handler();
}

void HidDeviceController::DeviceChange() {
  bool changed = lastChangeParam_ == kStartupNotice;
  std::vector<std::unique_ptr<HidDevice>> fresh = ScanPresentDevices();

  // Removals, from the last entry down.
  for (std::size_t i = devices_.size(); i-- > 0;) {
    HidDevice* device = devices_[i];
    const bool stillPresent =
        device->PluggedIn() &&
        std::any_of(fresh.rbegin(), fresh.rend(), [&](const std::unique_ptr<HidDevice>& f) {
          return f->PnPInfo().DevInst == device->PnPInfo().DevInst;
        });
    if (stillPresent) continue;
    device->MarkUnplugged();
    if (onRemoval_.IsSet()) CallWithInHandler(*device, [&] { onRemoval_(*device); });
    changed = true;
    // The handler may have destroyed a device it held, which takes its entry away.
    const auto entry = std::find(devices_.begin(), devices_.end(), device);
    if (entry != devices_.end() && !device->Claimed()) {
      devices_.erase(entry);
      device->controller_ = nullptr;
      delete device;
    }
    i = std::min(i, devices_.size());
  }

  // Duplicates: a fresh object for a listed, plugged-in device goes.
  for (auto& f : fresh) {
    const bool duplicate = std::any_of(devices_.begin(), devices_.end(), [&](HidDevice* d) {
      return d->PnPInfo().DevInst == f->PnPInfo().DevInst && d->PluggedIn();
    });
    if (duplicate) {
      f->controller_ = nullptr;
      f.reset();
    }
  }

  // Arrivals.
  for (auto& f : fresh) {
    if (!f) continue;
    HidDevice* device = f.release();
    devices_.push_back(device);
    changed = true;
    if (onArrival_.IsSet()) CallWithInHandler(*device, [&] { onArrival_(*device); });
  }

  if (changed && onDeviceChange_.IsSet()) onDeviceChange_(*this);
}

std::int32_t HidDeviceController::Enumerate() {
  std::int32_t count = 0;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    HidDevice* device = devices_[i];
    if (!device->PluggedIn()) continue;
    ++count;
    if (!onEnumerate_.IsSet()) break;
    bool goOn = true;
    CallWithInHandler(*device, [&] { goOn = onEnumerate_(*device, static_cast<std::int32_t>(i)); });
    if (!device->Claimed()) {
      device->CloseMain();
      device->CloseOverlapped(HidDirection::Read);
      device->CloseOverlapped(HidDirection::Write);
    }
    if (!goOn) break;
  }
  return count;
}

bool HidDeviceController::ClaimByIndex(std::unique_ptr<HidDevice>& device, std::int32_t index) {
  device.reset();
  if (index < 0 || static_cast<std::size_t>(index) >= devices_.size()) return false;
  HidDevice* entry = devices_[static_cast<std::size_t>(index)];
  if (entry->Claimed()) return false;
  entry->claimed_ = true;
  device.reset(entry);
  entry->StartReadThread();
  return true;
}

bool HidDeviceController::Lists(const HidDevice* device) const {
  return std::find(devices_.begin(), devices_.end(), device) != devices_.end();
}

void HidDeviceController::ReplaceDevice(HidDevice* gone, std::unique_ptr<HidDevice> replacement) {
  const auto entry = std::find(devices_.begin(), devices_.end(), gone);
  if (entry == devices_.end()) return;
  if (replacement) {
    *entry = replacement.release();
  } else {
    devices_.erase(entry);
  }
}

void HidDeviceController::SetOnDeviceChange(HidNotifyEvent handler) {
  if (handler.SameFunction(onDeviceChange_)) return;
  onDeviceChange_ = handler;
  if (!loading_) DeviceChange();
}

void HidDeviceController::SetOnDeviceData(HidDataEvent handler) {
  if (handler.SameFunction(onDeviceData_)) return;
  // A device's SetOnData may start or stop its reader; the list itself does not change.
  for (HidDevice* device : std::vector<HidDevice*>(devices_)) {
    if (device->OnData().SameFunction(onDeviceData_)) device->SetOnData(handler);
  }
  onDeviceData_ = handler;
}

void HidDeviceController::SetOnDeviceDataError(HidDataErrorEvent handler) {
  if (handler.SameFunction(onDeviceDataError_)) return;
  for (HidDevice* device : devices_) {
    if (device->OnDataError().SameFunction(onDeviceDataError_)) device->SetOnDataError(handler);
  }
  onDeviceDataError_ = handler;
}

void HidDeviceController::SetOnDeviceUnplug(HidPlugEvent handler) {
  if (handler.SameFunction(onDeviceUnplug_)) return;
  for (HidDevice* device : devices_) {
    if (device->OnUnplug().SameFunction(onDeviceUnplug_)) device->SetOnUnplug(handler);
  }
  onDeviceUnplug_ = handler;
}

void HidDeviceController::SetDevThreadSleepTime(std::int32_t ms) {
  if (ms == devThreadSleepTime_) return;
  for (HidDevice* device : devices_) {
    if (device->ThreadSleepTime() == devThreadSleepTime_) device->SetThreadSleepTime(ms);
  }
  devThreadSleepTime_ = ms;  // stored as it comes; devices take only 10 to 10000
}

}  // namespace kelvatrix
