#include "hid/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace kelvatrix {
namespace {

enum ItemType { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };
enum MainTag { kInput = 0x8, kOutput = 0x9, kCollection = 0xA, kFeature = 0xB, kEndCollection = 0xC };
enum GlobalTag { kUsagePage = 0x0, kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9, kPush = 0xA, kPop = 0xB };
enum LocalTag { kUsage = 0x0 };

constexpr std::size_t kMaxPushDepth = 32;
constexpr std::uint64_t kMaxReportBytes = 0xFFFE;  // a length must fit 16 bits with its ID byte

struct Globals {
  std::uint32_t usagePage = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint32_t reportId = 0;
};

ReportDescriptorResult Failure(std::string what, std::size_t offset) {
  ReportDescriptorResult result;
  result.error = what + " at byte " + std::to_string(offset);
  return result;
}

}  // namespace

ReportDescriptorResult ParseReportDescriptor(const std::uint8_t* data, std::size_t size) {
  Globals globals;
  std::vector<Globals> pushed;
  std::uint32_t firstUsage = 0;
  bool haveUsage = false;
  int depth = 0;
  bool topLevelSeen = false;
  ReportDescriptorInfo info;
  // Bits per report ID for input, output and feature reports.
  std::array<std::map<std::uint32_t, std::uint64_t>, 3> bits;

  std::size_t pos = 0;
  while (pos < size) {
    const std::size_t itemStart = pos;
    const std::uint8_t prefix = data[pos];
    if (prefix == 0xFE) {  // long item: size, tag, data; no long item tags are defined
      if (size - pos < 3) return Failure("truncated long item", itemStart);
      const std::size_t length = data[pos + 1];
      if (size - pos - 3 < length) return Failure("truncated long item", itemStart);
      pos += 3 + length;
      continue;
    }
    static constexpr std::array<std::size_t, 4> kDataSize = {0, 1, 2, 4};
    const std::size_t length = kDataSize[prefix & 0x3];
    const int type = (prefix >> 2) & 0x3;
    const int tag = prefix >> 4;
    if (size - pos - 1 < length) return Failure("truncated item", itemStart);
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < length; ++i) value |= std::uint32_t{data[pos + 1 + i]} << (8 * i);
    pos += 1 + length;

    switch (type) {
      case kMain: {
        if (tag == kInput || tag == kOutput || tag == kFeature) {
          const int kind = tag == kInput ? 0 : tag == kOutput ? 1 : 2;
          std::uint64_t& total = bits[kind][globals.reportId];
          total += std::uint64_t{globals.reportSize} * globals.reportCount;
          if (total > kMaxReportBytes * 8) return Failure("report longer than 65534 bytes", itemStart);
        } else if (tag == kCollection) {
          if (depth == 0 && !topLevelSeen) {
            topLevelSeen = true;
            // An extended (4-byte) usage carries its own page in the high half.
            info.caps.UsagePage = static_cast<std::uint16_t>(
                haveUsage && firstUsage > 0xFFFF ? firstUsage >> 16 : globals.usagePage);
            info.caps.Usage = static_cast<std::uint16_t>(firstUsage & 0xFFFF);
          }
          ++depth;
          ++info.caps.NumberLinkCollectionNodes;
        } else if (tag == kEndCollection) {
          if (depth == 0) return Failure("End Collection without Collection", itemStart);
          --depth;
        }
        haveUsage = false;  // local items end with every main item
        firstUsage = 0;
        break;
      }
      case kGlobal:
        switch (tag) {
          case kUsagePage: globals.usagePage = value; break;
          case kReportSize: globals.reportSize = value; break;
          case kReportCount: globals.reportCount = value; break;
          case kReportId:
            if (value == 0 || value > 255) return Failure("invalid Report ID", itemStart);
            globals.reportId = value;
            info.usesReportIds = true;
            break;
          case kPush:
            if (pushed.size() == kMaxPushDepth) return Failure("Push nested too deep", itemStart);
            pushed.push_back(globals);
            break;
          case kPop:
            if (pushed.empty()) return Failure("Pop without Push", itemStart);
            globals = pushed.back();
            pushed.pop_back();
            break;
          default: break;  // logical and physical extents, units: not needed for lengths
        }
        break;
      case kLocal:
        if (tag == kUsage && !haveUsage) {
          haveUsage = true;
          firstUsage = length == 4 ? value : value & 0xFFFF;
        }
        break;
      case kReserved:
        return Failure("reserved item type", itemStart);
    }
  }
  if (depth != 0) return Failure("Collection not closed", size);

  const auto longest = [](const std::map<std::uint32_t, std::uint64_t>& reports) -> std::uint16_t {
    if (reports.empty()) return 0;
    std::uint64_t most = 0;
    for (const auto& [id, count] : reports) most = std::max(most, (count + 7) / 8);
    return static_cast<std::uint16_t>(most + 1);
  };
  info.caps.InputReportByteLength = longest(bits[0]);
  info.caps.OutputReportByteLength = longest(bits[1]);
  info.caps.FeatureReportByteLength = longest(bits[2]);

  ReportDescriptorResult result;
  result.ok = true;
  result.info = info;
  return result;
}

}  // namespace kelvatrix
