#include "hid/backends/linux/hidraw_sysfs.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kelvatrix::hidraw {

namespace fs = std::filesystem;

namespace {
std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}
std::string HidDirectory(const std::string& syspath) { return syspath + "/device"; }
}  // namespace

std::string UeventValue(const std::string& uevent, const std::string& key) {
  std::istringstream lines(uevent);
  std::string line;
  const std::string prefix = key + "=";
  while (std::getline(lines, line)) {
    if (line.rfind(prefix, 0) == 0) return Trimmed(line.substr(prefix.size()));
  }
  return {};
}

std::optional<HidId> ParseHidId(const std::string& uevent) {
  const std::string id = UeventValue(uevent, "HID_ID");
  unsigned bus = 0;
  unsigned vendor = 0;
  unsigned product = 0;
  char extra = 0;
  if (std::sscanf(id.c_str(), "%x:%x:%x%c", &bus, &vendor, &product, &extra) != 3) return std::nullopt;
  if (vendor > 0xFFFF || product > 0xFFFF) return std::nullopt;
  return HidId{bus, static_cast<std::uint16_t>(vendor), static_cast<std::uint16_t>(product)};
}

std::string ReadSysfsFile(const std::string& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string text(limit, '\0');
  in.read(text.data(), static_cast<std::streamsize>(limit));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

std::string FindUpwards(const std::string& start, const std::string& file) {
  std::error_code error;
  fs::path dir = fs::canonical(start, error);
  if (error) return {};
  // Stop below the sysfs device root: never wander above the device tree.
  while (dir.has_relative_path() && dir.filename() != "devices") {
    if (fs::exists(dir / file, error)) return dir.string();
    dir = dir.parent_path();
  }
  return {};
}

std::optional<HidAttributes> AttributesFromSysfs(const std::string& syspath) {
  const auto id = ParseHidId(ReadSysfsFile(HidDirectory(syspath) + "/uevent"));
  if (!id) return std::nullopt;
  HidAttributes attributes;
  attributes.Size = 12;
  attributes.VendorID = id->vendor;
  attributes.ProductID = id->product;
  if (const std::string usb = FindUpwards(HidDirectory(syspath), "bcdDevice"); !usb.empty()) {
    unsigned version = 0;
    if (std::sscanf(ReadSysfsFile(usb + "/bcdDevice", 16).c_str(), "%x", &version) == 1 && version <= 0xFFFF) {
      attributes.VersionNumber = static_cast<std::uint16_t>(version);
    }
  }
  return attributes;
}

std::vector<std::uint8_t> DescriptorFromSysfs(const std::string& syspath) {
  // 4096 is the kernel's largest report descriptor.
  const std::string raw = ReadSysfsFile(HidDirectory(syspath) + "/report_descriptor", 4096);
  return {raw.begin(), raw.end()};
}

std::uint32_t DevInstFromSyspath(const std::string& syspath) {
  std::uint32_t hash = 2166136261u;
  for (const unsigned char c : syspath) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}

HidPnPInfo PnPInfoFromSysfs(const std::string& syspath, const std::string& devnode) {
  HidPnPInfo info;
  info.DevInst = DevInstFromSyspath(syspath);
  info.DevicePath = devnode;
  info.PhysicalDeviceObjectName = syspath;
  info.Class = "HIDClass";
  info.ClassGuid = "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}";
  info.EnumeratorName = "HID";

  const std::string uevent = ReadSysfsFile(HidDirectory(syspath) + "/uevent");
  info.FriendlyName = UeventValue(uevent, "HID_NAME");
  info.DeviceDesc = info.FriendlyName;
  info.LocationInformation = UeventValue(uevent, "HID_PHYS");
  info.Driver = UeventValue(uevent, "DRIVER");
  info.Service = info.Driver;
  if (const auto id = ParseHidId(uevent)) {
    char hardwareId[48];
    std::snprintf(hardwareId, sizeof hardwareId, "HID\\VID_%04X&PID_%04X", id->vendor, id->product);
    info.HardwareId = {hardwareId};
  }
  if (const std::string usb = FindUpwards(HidDirectory(syspath), "busnum"); !usb.empty()) {
    info.Mfg = Trimmed(ReadSysfsFile(usb + "/manufacturer", 256));
    unsigned bus = 0;
    if (std::sscanf(ReadSysfsFile(usb + "/busnum", 16).c_str(), "%u", &bus) == 1) info.BusNumber = bus;
    info.Address = Trimmed(ReadSysfsFile(usb + "/devpath", 64));
  }
  return info;
}

}  // namespace kelvatrix::hidraw
