#pragma once
// What sysfs tells about a hidraw device without opening its node: the HID device
// directory (<syspath>/device) holds `uevent` (HID_ID, HID_NAME, HID_PHYS, HID_UNIQ,
// DRIVER) and `report_descriptor`; the USB device above it holds `bcdDevice`,
// `manufacturer`, `product` and `busnum`. Every read is bounded; a missing file reads as
// empty.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hid/hid_pnp_info.h"
#include "hid/hid_types.h"

namespace kelvatrix::hidraw {

struct HidId {
  std::uint32_t bus = 0;
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
};

// "HID_ID=0003:00001234:00005678" in a uevent text.
std::optional<HidId> ParseHidId(const std::string& uevent);
// The value of KEY=value in a uevent text, or empty.
std::string UeventValue(const std::string& uevent, const std::string& key);

// A small sysfs file, at most `limit` bytes; empty when missing.
std::string ReadSysfsFile(const std::string& path, std::size_t limit = 4096);

// The nearest directory at or above `start` (after resolving links) that holds `file`,
// not leaving `/sys`-like roots; empty when there is none.
std::string FindUpwards(const std::string& start, const std::string& file);

// The device's attributes from sysfs (version from the USB device's bcdDevice, 0 when the
// device is not on USB); nothing when the HID device directory tells no HID_ID.
std::optional<HidAttributes> AttributesFromSysfs(const std::string& syspath);

// The raw report descriptor from sysfs.
std::vector<std::uint8_t> DescriptorFromSysfs(const std::string& syspath);

// A stable 32-bit identity for a device: FNV-1a of its sysfs path.
std::uint32_t DevInstFromSyspath(const std::string& syspath);

// The plug-and-play record of the hidraw device at `syspath` with device node `devnode`.
HidPnPInfo PnPInfoFromSysfs(const std::string& syspath, const std::string& devnode);

}  // namespace kelvatrix::hidraw
