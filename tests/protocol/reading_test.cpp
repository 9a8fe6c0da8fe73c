#include "protocol/reading.h"

#include <gtest/gtest.h>

namespace kelvatrix {
namespace {

TEST(DecodeReading, WorkedReadings) {
  const struct {
    std::uint8_t bytes[4];
    bool runStart;
    int voltage;
    double value;
    bool overRange;
    const char* unit;
    double megaOhm;
  } cases[] = {
      {{0x81, 0xF4, 0x41, 0x2C}, true, 5000, 3, false, "M ohm", 3},
      {{0x01, 0xF4, 0xA0, 0xFA}, false, 5000, 25, false, "G ohm", 25000},
      {{0x02, 0x58, 0x13, 0xFF}, false, 6000, 1023, true, "M ohm", 1023},
      {{0x0F, 0xFF, 0x63, 0xFF}, false, 40950, 1.023, false, "M ohm", 1.023},
      {{0x70, 0x00, 0x0C, 0x64}, false, 0, 100, false, "M ohm", 100},  // ignored bits set
  };
  for (const auto& c : cases) {
    const Reading r = DecodeReading(c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3]);
    SCOPED_TRACE(testing::Message() << std::hex << int(c.bytes[0]) << " " << int(c.bytes[1]) << " "
                                    << int(c.bytes[2]) << " " << int(c.bytes[3]));
    EXPECT_EQ(r.runStart, c.runStart);
    EXPECT_EQ(r.voltage, c.voltage);
    EXPECT_DOUBLE_EQ(r.value, c.value);
    EXPECT_EQ(r.overRange, c.overRange);
    EXPECT_STREQ(r.Unit(), c.unit);
    EXPECT_DOUBLE_EQ(r.MegaOhm(), c.megaOhm);
  }
}

TEST(FormatGeneral, ShortestTextWithAPoint) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {5000, "5000"},           {3, "3"},         {29.1, "29.1"},   {291 / 10.0, "29.1"},
      {1023 / 1000.0, "1.023"}, {40950, "40950"}, {0.001, "0.001"}, {0, "0"},
      {102.3, "102.3"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.value), c.text) << c.value;
}

}  // namespace
}  // namespace kelvatrix
