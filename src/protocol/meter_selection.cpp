#include "protocol/meter_selection.h"

namespace kelvatrix {

MeterSelection::~MeterSelection() {
  currentDev_ = nullptr;
  if (devList_) {
    for (auto& device : *devList_) device.reset();
  }
}

void MeterSelection::CreateDevList() {
  if (!devList_) devList_.emplace();
}

const std::vector<std::unique_ptr<HidDevice>>& MeterSelection::DevList() const {
  static const std::vector<std::unique_ptr<HidDevice>> none;
  return devList_ ? *devList_ : none;
}

bool MeterSelection::HidCtlEnumerate(HidDevice&, std::int32_t index) {
  if (!devList_) return false;
  std::unique_ptr<HidDevice> claimed;
  hidCtl_.ClaimByIndex(claimed, index);
  devList_->push_back(std::move(claimed));  // empty when the claim failed
  return true;
}

void MeterSelection::HidCtlDeviceChange(HidDeviceController&) {
  ++deviceChanges_;
  // Before start-up made the list (or when it stopped early) there is nothing to do.
  if (!devList_) return;
  currentDev_ = nullptr;
  devConnected_ = false;
  for (auto& device : *devList_) device.reset();  // first to last: each goes back
  devList_->clear();
  hidCtl_.Enumerate();
  for (const auto& device : *devList_) {
    if (!device) continue;
    if (device->Attributes().VendorID == kMeterVendorId && device->Attributes().ProductID == kMeterProductId) {
      currentDev_ = device.get();
      devConnected_ = true;
    }
  }
}

}  // namespace kelvatrix
