#pragma once
// The plug-and-play description of one HID device interface, made during a scan and owned
// by the device made from it. DevInst identifies a device across scans; DevicePath is
// what the backend opens. The other properties are kept for the device's life; a backend
// fills those its platform has and leaves the rest empty or 0.

#include <cstdint>
#include <string>
#include <vector>

namespace kelvatrix {

struct HidPnPInfo {
  std::uint32_t DevInst = 0;
  std::string DevicePath;

  std::uint32_t Capabilities = 0;
  std::string Class;
  std::string ClassGuid;
  std::vector<std::string> CompatibleIds;
  std::uint32_t ConfigFlags = 0;
  std::string DeviceDesc;
  std::string Driver;
  std::string FriendlyName;
  std::vector<std::string> HardwareId;
  std::vector<std::string> LowerFilters;
  std::string Mfg;
  std::vector<std::string> UpperFilters;
  std::string Service;
  std::string Address;
  std::uint32_t BusNumber = 0;
  std::string BusTypeGuid;
  std::string Characteristics;
  std::uint32_t DevType = 0;
  std::string EnumeratorName;
  std::uint32_t Exclusive = 0;
  std::uint32_t LegacyBusType = 0;
  std::string LocationInformation;
  std::string PhysicalDeviceObjectName;
  std::string SecuritySds;
  std::uint32_t UiNumber = 0;
  std::string UiNumberDescFormat;
};

}  // namespace kelvatrix
