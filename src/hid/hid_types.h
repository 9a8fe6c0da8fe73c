#pragma once
// Records shared by the HID transport and its backends, after the platform's HID
// records: attributes (HIDD_ATTRIBUTES) and capabilities (HIDP_CAPS).

#include <cstdint>

#include "hid/hid_event.h"

namespace kelvatrix {

class HidDevice;
class HidDeviceController;

struct HidAttributes {
  std::uint32_t Size = 0;
  std::uint16_t VendorID = 0;
  std::uint16_t ProductID = 0;
  std::uint16_t VersionNumber = 0;
};

// Report lengths count the report ID byte, also for devices that use no report IDs
// (their reports travel behind a zero ID byte). A kind of report the device does not have
// has length 0.
struct HidCaps {
  std::uint16_t Usage = 0;
  std::uint16_t UsagePage = 0;
  std::uint16_t InputReportByteLength = 0;
  std::uint16_t OutputReportByteLength = 0;
  std::uint16_t FeatureReportByteLength = 0;
  std::uint16_t NumberLinkCollectionNodes = 0;

  bool operator==(const HidCaps&) const = default;
};

using HidDataEvent =
    HidEvent<void(HidDevice& device, std::uint8_t reportId, const std::uint8_t* data, std::uint16_t size)>;
using HidDataErrorEvent = HidEvent<void(HidDevice& device, std::uint32_t error)>;
using HidPlugEvent = HidEvent<void(HidDevice& device)>;
using HidEnumerateEvent = HidEvent<bool(HidDevice& device, std::int32_t index)>;
using HidNotifyEvent = HidEvent<void(HidDeviceController& sender)>;

}  // namespace kelvatrix
