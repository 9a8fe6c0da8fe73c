#include "hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvatrix {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A vendor-defined device with 64-byte input and output reports and no report IDs, the
// shape of the meter.
const Bytes kVendor64 = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF,
                         0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x95, 0x40,
                         0x09, 0x01, 0x91, 0x02, 0xC0};

// The boot keyboard and boot mouse of the HID specification's appendix B.
const Bytes kKeyboard = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,
                         0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01,
                         0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01,
                         0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
                         0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65,
                         0x81, 0x00, 0xC0};
const Bytes kMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09,
                      0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01,
                      0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30,
                      0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
                      0xC0, 0xC0};

// Report IDs 1 and 2 (input, 8 and 16 bytes), 3 (output, 4), 4 (feature, 2).
const Bytes kSeveralIds = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                           0x85, 0x01, 0x75, 0x08, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02,
                           0x85, 0x02, 0x75, 0x08, 0x95, 0x10, 0x09, 0x01, 0x81, 0x02,
                           0x85, 0x03, 0x75, 0x08, 0x95, 0x04, 0x09, 0x01, 0x91, 0x02,
                           0x85, 0x04, 0x75, 0x08, 0x95, 0x02, 0x09, 0x01, 0xB1, 0x02,
                           0xC0};

// Long items are skipped; Push and Pop restore the report size and count.
const Bytes kLongItemsAndPush = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0xFE, 0x02, 0x10,
                                 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x04, 0xA4, 0x75, 0x10, 0x95,
                                 0x02, 0x81, 0x02, 0xB4, 0x81, 0x02, 0xFE, 0x00, 0x20, 0xC0};

// A 4-byte usage carries its own page (digitizer 0x0D, usage 1).
const Bytes kExtendedUsage = {0x0B, 0x01, 0x00, 0x0D, 0x00, 0xA1, 0x01, 0x75, 0x08,
                              0x95, 0x01, 0x81, 0x02, 0xC0};

TEST(ReportDescriptor, LengthsAreTheLongestReportOfEachKindPlusTheIdByte) {
  const struct {
    const char* name;
    const Bytes* descriptor;
    HidCaps caps;
    bool ids;
  } cases[] = {
      {"vendor 64/64", &kVendor64, {1, 0xFF00, 65, 65, 0, 1}, false},
      {"boot keyboard", &kKeyboard, {6, 0x01, 9, 2, 0, 1}, false},
      {"boot mouse", &kMouse, {2, 0x01, 4, 0, 0, 2}, false},
      {"several report IDs", &kSeveralIds, {1, 0xFF00, 17, 5, 3, 1}, true},
      {"long items, push and pop", &kLongItemsAndPush, {1, 0xFF00, 9, 0, 0, 1}, false},
      {"extended usage", &kExtendedUsage, {1, 0x0D, 2, 0, 0, 1}, false},
  };
  for (const auto& c : cases) {
    const auto result = ParseReportDescriptor(c.descriptor->data(), c.descriptor->size());
    ASSERT_TRUE(result.ok) << c.name << ": " << result.error;
    EXPECT_EQ(result.info.caps, c.caps) << c.name << ": input " << result.info.caps.InputReportByteLength
                                        << " output " << result.info.caps.OutputReportByteLength
                                        << " feature " << result.info.caps.FeatureReportByteLength;
    EXPECT_EQ(result.info.usesReportIds, c.ids) << c.name;
  }
}

TEST(ReportDescriptor, MalformedInputIsRefusedWithWhereItWentWrong) {
  const struct {
    const char* name;
    Bytes descriptor;
    const char* error;
  } cases[] = {
      {"short item cut off", {0x06, 0x00, 0xFF, 0x26, 0xFF}, "truncated item at byte 3"},
      {"long item cut off", {0xFE, 0x05, 0x10, 0xAA}, "truncated long item at byte 0"},
      {"long item header cut off", {0xA1, 0x01, 0xFE, 0x05}, "truncated long item at byte 2"},
      {"pop without push", {0xB4}, "Pop without Push at byte 0"},
      {"end without collection", {0xA1, 0x01, 0xC0, 0xC0}, "End Collection without Collection at byte 3"},
      {"collection never closed", {0xA1, 0x01}, "Collection not closed at byte 2"},
      {"report ID zero", {0x85, 0x00}, "invalid Report ID at byte 0"},
      {"reserved item type", {0x0C}, "reserved item type at byte 0"},
      {"report too long", {0x75, 0xFF, 0x96, 0xFF, 0xFF, 0x81, 0x02}, "report longer than 65534 bytes at byte 5"},
  };
  for (const auto& c : cases) {
    const auto result = ParseReportDescriptor(c.descriptor.data(), c.descriptor.size());
    EXPECT_FALSE(result.ok) << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
  }
}

TEST(ReportDescriptor, EveryCutOfARealDescriptorIsParsedOrRefusedWithinItsBytes) {
  for (const Bytes* descriptor : {&kVendor64, &kKeyboard, &kMouse, &kSeveralIds, &kLongItemsAndPush}) {
    for (std::size_t cut = 0; cut < descriptor->size(); ++cut) {
      // A copy of exactly `cut` bytes: reading past it is caught by AddressSanitizer.
      const Bytes prefix(descriptor->begin(), descriptor->begin() + static_cast<std::ptrdiff_t>(cut));
      const auto result = ParseReportDescriptor(prefix.data(), prefix.size());
      EXPECT_TRUE(result.ok || !result.error.empty());
    }
  }
}

}  // namespace
}  // namespace kelvatrix
