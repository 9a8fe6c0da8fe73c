#pragma once
// The HID report-descriptor parser of the backends that read descriptors themselves
// (Linux). It gives the capabilities the way the Windows HID parser reports them: for
// each kind of report the longest report of any report ID, plus the ID byte.

#include <cstddef>
#include <cstdint>
#include <string>

#include "hid/hid_types.h"

namespace kelvatrix {

struct ReportDescriptorInfo {
  HidCaps caps;
  bool usesReportIds = false;  // reports start with their ID byte on the wire
};

struct ReportDescriptorResult {
  bool ok = false;
  std::string error;  // what is wrong and at which byte, when not ok
  ReportDescriptorInfo info;
};

// Never reads outside data[0, size).
ReportDescriptorResult ParseReportDescriptor(const std::uint8_t* data, std::size_t size);

}  // namespace kelvatrix
